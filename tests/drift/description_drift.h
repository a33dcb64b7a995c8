// A switch that changes what the layout describes, in the build of the drift tests only.
#pragma once

enum DescriptionDrift {
    Z4_DRIFT_NONE,
    Z4_DRIFT_BOARD_VALUE,  // a board's interrupt is written one higher
    Z4_DRIFT_PORT_NAME,    // port keys are named "Serial07" rather than "Serial7"
    Z4_DRIFT_START_RULE,   // the service's start mode is never kept: 2 is written over any
};

extern DescriptionDrift Z4Drift;

// The base of every host test of the tool: each starts as a new process would, on an empty
// registry, with no window, box or trace yet, and the tool's tables as they start.
#pragma once

#include <gtest/gtest.h>

#include "registry_setup.h"
#include "ui_record.h"
#include "z4setup.h"

class NewProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        emu::reg_reset();
        emu::ui_reset();
        resetZ4_process();
    }
};

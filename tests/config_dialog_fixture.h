// Shared set-up of the dialog tests: a fresh process state and one run of the dialog.
#pragma once

#include <gtest/gtest.h>

#include "new_process_test.h"

#include <functional>
#include <string>
#include <vector>

#include "z4setup.h"
#include "board_model.h"
#include "config_dialog.h"
#include "dialog_user.h"
#include "reg_file.h"
#include "registry_faults.h"
#include "registry_setup.h"
#include "ui_record.h"
#include "window_record.h"

class DialogTest : public NewProcessTest {
protected:
    void TearDown() override
    {
        for (const auto &f : emu::dialog_failures())
            ADD_FAILURE() << "dialog: " << f;
    }

    // Opens the configuration dialog, with `user` acting in it; returns the end code.
    INT_PTR run(std::function<void(emu::DialogUser &)> user)
    {
        emu::set_dialog_user(std::move(user));
        return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, Z4DlgProc, 0);
    }

    // Runs the dialog, looks at it with `look` and closes it with Cancel.
    void show(std::function<void(emu::DialogUser &)> look)
    {
        EXPECT_EQ(run([&](emu::DialogUser &u) {
                      look(u);
                      u.press(IDC_CANCEL);
                  }),
                  0);
    }

    static int id(int slot, int column) { return static_cast<int>(boardControlIds[slot][column]); }
};

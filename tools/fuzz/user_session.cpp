// The user's part of a fuzz run: the configuration dialog opened as the shell opens it, and
// the actions drawn from the bytes carried out through the emulated dialog's user driver.
#include "user_session.h"

#include <string>

#include "config_dialog.h"
#include "dialog_user.h"

namespace fuzz {

namespace {

int control(int slot, int column)
{
    return static_cast<int>(boardControlIds[slot][column]);
}

// A pick of item `index`, or, beyond the list, only the focus (which notifies all the same).
void pick_or_focus(emu::DialogUser &u, int id, uint8_t index)
{
    if (index < u.items(id).size())
        u.pick(id, index);
    else
        u.focus(id);
}

void retype(emu::DialogUser &u, int id, const std::string &text)
{
    u.erase(id);
    u.type(id, text);
}

void act(emu::DialogUser &u, Reader &in)
{
    for (int actions = 0; actions < 64 && !in.done() && u.dialog_open(); ++actions) {
        uint8_t kind = in.byte() % ACTION_KINDS;
        uint8_t which = in.byte();
        int slot = which % 4;
        switch (kind) {
        case ACT_BUS:
            u.pick(control(slot, COL_BUS_TYPE), in.byte() % 3);
            break;
        case ACT_IRQ:
            pick_or_focus(u, control(slot, COL_IRQ), in.byte());
            break;
        case ACT_ADDRESS:
            pick_or_focus(u, control(slot, COL_IO_ADDR), in.byte());
            break;
        case ACT_PORTS:
            retype(u, control(slot, COL_NUM_PORTS), in.text().substr(0, 6));
            break;
        case ACT_SUFFIXES:
            retype(u, IDC_LOGICAL_SUFFIX, in.text().substr(0, 6));
            retype(u, IDC_DEVICE_SUFFIX, in.text().substr(0, 6));
            break;
        case ACT_OK:
            if (which & 0x10)
                u.key_enter();
            else if (which & 0x20)
                u.tab();
            else
                u.press(IDC_OK);
            break;
        case ACT_CANCEL:
            if (which & 0x10)
                u.key_escape();
            else if (which & 0x20)
                u.close_box();
            else
                u.press(IDC_CANCEL);
            break;
        }
    }
    // A session the bytes leave open ends as a user would end it: Ok, and Cancel if refused.
    if (u.dialog_open())
        u.press(IDC_OK);
    if (u.dialog_open())
        u.press(IDC_CANCEL);
}

}  // namespace

bool run_user_session(Reader &in)
{
    emu::set_dialog_user([&in](emu::DialogUser &u) { act(u, in); });
    INT_PTR end = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, Z4DlgProc, 0);
    emu::set_dialog_user(nullptr);
    return end == 1;
}

}  // namespace fuzz

// The program's resources on Linux: the dialog template, from the same definition windres uses.
#include "window_internal.h"

namespace {

#define Z4_DIALOG(id, style, x, y, w, h, caption, points, font, count) \
    emu::DialogTemplate{id, style, x, y, w, h, caption, points, font, count, {
#define Z4_ITEM(id, cls, style, x, y, w, h, text) {id, cls, style, x, y, w, h, text},

const std::vector<emu::DialogTemplate> &templates()
{
    static const std::vector<emu::DialogTemplate> all = {
#include "config_dialog.inc"
        }},
    };
    return all;
}

#undef Z4_DIALOG
#undef Z4_ITEM

}  // namespace

namespace emu {

const DialogTemplate *find_dialog_template(int id)
{
    for (const auto &t : templates())
        if (t.id == id)
            return &t;
    return nullptr;
}

}  // namespace emu

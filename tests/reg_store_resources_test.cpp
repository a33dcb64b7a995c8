// Interrupts and I/O ports another driver holds, read from the resource map in the layout of the
// running kernel: asked about in the dialog, refused by /s and /n, named by /r.
#include "unattended_fixture.h"

#include <memory>

#include "comdb_record.h"

namespace {

using namespace unattended;

const std::string MAP = "HARDWARE\\RESOURCEMAP";

// One partial descriptor: its type and the union's first three 32-bit fields (for a port: start
// low, start high, length; for an interrupt: level, vector, affinity; for device-specific data:
// its size), and the data that follows a device-specific one.
struct Partial {
    uint8_t type;
    uint32_t a, b, c;
    std::vector<uint8_t> data;
};
using Full = std::vector<Partial>;

void put32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A CM_RESOURCE_LIST as the kernel writes it: partial descriptors of 16 bytes (32-bit) or 20
// (64-bit, where the union holds an 8-byte affinity).
std::vector<uint8_t> resource_list(const std::vector<Full> &fulls, bool wide)
{
    std::vector<uint8_t> out;
    put32(out, static_cast<uint32_t>(fulls.size()));
    for (const Full &full : fulls) {
        put32(out, 1);  // Isa
        put32(out, 0);  // bus number
        out.push_back(1), out.push_back(0), out.push_back(1), out.push_back(0);  // version, revision
        put32(out, static_cast<uint32_t>(full.size()));
        for (const Partial &p : full) {
            out.push_back(p.type);
            out.push_back(1);  // shared disposition
            out.push_back(0), out.push_back(0);  // flags
            put32(out, p.a);
            put32(out, p.b);
            put32(out, p.c);
            if (wide)
                put32(out, 0);
            out.insert(out.end(), p.data.begin(), p.data.end());
        }
    }
    return out;
}

Partial port(uint32_t start, uint32_t length) { return {1, start, 0, length, {}}; }
Partial interrupt(uint32_t level) { return {2, level, level, 1, {}}; }
Partial memory(uint32_t start, uint32_t length) { return {3, start, 0, length, {}}; }
Partial dma(uint32_t channel) { return {4, channel, 0, 0, {}}; }
Partial specific(std::vector<uint8_t> data)
{
    return {5, static_cast<uint32_t>(data.size()), 0, 0, std::move(data)};
}

// The typical ISA board: Interrupt 5, IOAddr 310 (ports 310 to 317).
const std::string BOARD_FILE = "[Board1]\nBusType = ISA\nInterrupt = 5\nIOAddr = 310\nPorts = 8\n";

class Resources : public Unattended, public ::testing::WithParamInterface<bool> {
protected:
    bool wide() const { return GetParam(); }
    // The machine with the given device's list under RESOURCEMAP\CLASS\DRIVER, in the layout of
    // the kernel the test stands for: a 64-bit one under WOW64, or Windows NT 4.0's.
    void machine_with(const std::string &driver, const std::string &value, std::vector<Full> fulls)
    {
        bool w = wide();
        machine = [=] {
            typical_machine();
            emu::set_wow64(w ? 1 : -1);
            emu::reg_put_value(MAP + "\\" + driver, value, REG_RESOURCE_LIST, resource_list(fulls, w));
        };
    }
    Outcome apply_board() { return apply(BOARD_FILE); }
};

INSTANTIATE_TEST_SUITE_P(Layouts, Resources, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "kernel64" : "kernel32"; });

TEST_P(Resources, an_interrupt_in_use_is_refused_by_a_script_and_asked_about_in_the_dialog)
{
    machine_with("OtherDrivers\\sndz", "\\Device\\Sound0.Raw", {{port(0x220, 0x10), interrupt(5)}});
    const std::string text = "Interrupt 5 is already used by \\Device\\Sound0 (OtherDrivers\\sndz).";
    for (const char *verb : {"/s ", "/n "}) {
        Outcome o = run(verb + file("boards.ini", BOARD_FILE), nullptr);
        EXPECT_EQ(o.code, Z4_EXIT_REFUSED) << verb;
        EXPECT_EQ(o.out, "CONFIGURATION WARNING: " + text + "\n") << verb;
        EXPECT_FALSE(emu::reg_has_key(PARAMETERS));
    }
    int focused = 0;
    Outcome no = dialog([&](emu::DialogUser &u) {
        u.type(boardZ4_control_id(0, COL_NUM_PORTS), "8");
        u.pick(boardZ4_control_id(0, COL_IRQ), "5");
        u.pick(boardZ4_control_id(0, COL_IO_ADDR), "310");
        u.press(IDC_OK);
        focused = u.focused();
        u.press(IDC_CANCEL);
    });
    ASSERT_EQ(no.boxes.size(), 1u);
    EXPECT_EQ(no.boxes[0], "CONFIGURATION WARNING: " + text + " Use these settings anyway?");
    EXPECT_EQ(focused, boardZ4_control_id(0, COL_IRQ));
    EXPECT_FALSE(emu::reg_has_key(PARAMETERS));

    auto yes = machine;
    machine = [yes] {
        yes();
        emu::set_message_box_handler([](const emu::MessageBoxRecord &) { return IDYES; });
    };
    Outcome written = dialog([](emu::DialogUser &u) {
        u.type(boardZ4_control_id(0, COL_NUM_PORTS), "8");
        u.pick(boardZ4_control_id(0, COL_IRQ), "5");
        u.pick(boardZ4_control_id(0, COL_IO_ADDR), "310");
        u.press(IDC_OK);
    });
    EXPECT_EQ(written.boxes.size(), 1u);
    EXPECT_TRUE(emu::reg_has_key(PARAMETERS + "\\Board1\\Serial10"));
}

// The window is the 8 ports from IOAddr: one port in common is enough, an adjacent range is none.
TEST_P(Resources, io_ports_conflict_from_one_port_in_common_and_not_beside_the_window)
{
    const struct {
        uint32_t start, length;
        const char *seen;  // null: no conflict
    } cases[] = {
        {0x300, 0x10, nullptr},  // ends at 30F, just below 310
        {0x300, 0x11, "IOAddr 310 overlaps the I/O ports 300-310 of \\Device\\Net0 (OtherDrivers\\ne2z)."},
        {0x317, 0x8, "IOAddr 310 overlaps the I/O ports 317-31E of \\Device\\Net0 (OtherDrivers\\ne2z)."},
        {0x312, 0x2, "IOAddr 310 overlaps the I/O ports 312-313 of \\Device\\Net0 (OtherDrivers\\ne2z)."},
        {0x318, 0x8, nullptr},   // starts at 318, just above 317
        {0x310, 0x0, nullptr},   // no port at all
    };
    for (const auto &c : cases) {
        machine_with("OtherDrivers\\ne2z", "\\Device\\Net0.Raw", {{port(c.start, c.length)}});
        Outcome o = apply_board();
        if (c.seen) {
            EXPECT_EQ(o.code, Z4_EXIT_REFUSED) << std::hex << c.start;
            EXPECT_EQ(o.out, std::string("CONFIGURATION WARNING: ") + c.seen + "\n");
        } else {
            EXPECT_EQ(o.code, Z4_EXIT_DONE) << std::hex << c.start << ": " << o.out;
        }
    }
}

// What holds the same numbers without holding the board's resources is no conflict.
TEST_P(Resources, own_translated_memory_dma_and_pci_are_no_conflict)
{
    bool w = wide();
    machine = [w] {
        typical_machine();
        emu::set_wow64(w ? 1 : -1);
        auto held = resource_list({{interrupt(5), port(0x310, 8)}}, w);
        // The driver as loaded holds what it is given back.
        emu::reg_put_value(MAP + "\\LOADED SERIAL DRIVER RESOURCES\\serialz4", "\\Device\\Serial3.Raw",
                           REG_RESOURCE_LIST, held);
        // The translated list names the same resources as the processor sees them.
        emu::reg_put_value(MAP + "\\OtherDrivers\\ne2z", "\\Device\\Net0.Translated", REG_RESOURCE_LIST, held);
        emu::reg_put_value(MAP + "\\OtherDrivers\\vga", "\\Device\\Video0.Raw", REG_RESOURCE_LIST,
                           resource_list({{memory(0x310, 8), dma(5)}}, w));
        emu::reg_put_value(MAP + "\\OtherDrivers\\odd", "\\Device\\Odd0.Raw", REG_BINARY, held);
    };
    Outcome o = apply_board();
    EXPECT_EQ(o.code, Z4_EXIT_DONE) << o.out;
    // A PCI board takes what the system gives it: nothing to check.
    machine = [w] {
        typical_machine();
        emu::set_wow64(w ? 1 : -1);
        emu::reg_put_value(MAP + "\\OtherDrivers\\sndz", "\\Device\\Sound0.Raw", REG_RESOURCE_LIST,
                           resource_list({{interrupt(10), port(0x300, 0x100)}}, w));
    };
    EXPECT_EQ(apply("[Board1]\nBusType = PCI\nPorts = 8\n").code, Z4_EXIT_DONE);
}

// Device-specific data lies between the descriptors: the next full descriptor follows it.
TEST_P(Resources, a_second_full_descriptor_after_device_specific_data_is_read)
{
    machine_with("OtherDrivers\\ide", "\\Device\\Ide1.Raw",
                 {{port(0x170, 8), specific({5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5})}, {port(0x376, 1), interrupt(5)}});
    Outcome o = apply_board();
    EXPECT_EQ(o.code, Z4_EXIT_REFUSED);
    EXPECT_EQ(o.out, "CONFIGURATION WARNING: Interrupt 5 is already used by \\Device\\Ide1 (OtherDrivers\\ide).\n");
}

// Read in the other layout, the same list would not say the same: the layout is the kernel's.
TEST_P(Resources, the_layout_is_the_kernels_not_the_programs)
{
    bool w = wide();
    machine = [w] {
        typical_machine();
        emu::set_wow64(w ? 0 : 1);  // the other kernel
        emu::reg_put_value(MAP + "\\OtherDrivers\\ne2z", "\\Device\\Net0.Raw", REG_RESOURCE_LIST,
                           resource_list({{port(0x200, 8), port(0x200, 8), interrupt(5)}}, w));
    };
    EXPECT_EQ(apply_board().code, Z4_EXIT_DONE);
}

TEST_P(Resources, the_report_names_a_conflict)
{
    machine_with("OtherDrivers\\sndz", "\\Device\\Sound0.Raw", {{interrupt(5)}});
    machine = [m = machine] {
        m();
        configured_machine();
    };
    Outcome o = run("/r", nullptr);
    EXPECT_EQ(o.code, Z4_EXIT_DONE);
    EXPECT_NE(o.out.find("; pressing Ok now asks first, and /s refuses: Interrupt 5 is already used by "
                         "\\Device\\Sound0 (OtherDrivers\\sndz).\n"),
              std::string::npos)
        << o.out;
}

// A list whose counts or sizes run past the value is read as far as it is whole and no further;
// each list lies at the very end of its own allocation, so that a read past it is caught.
TEST(ResourceLists, malformed_lists_are_never_read_past_their_end)
{
    Z4IsaUse use = {true, 5, 0, 1, {0x310}, {0}};
    for (bool wide : {false, true}) {
        std::vector<uint8_t> whole = resource_list({{port(0x100, 8), specific({1, 2, 3}), interrupt(5)}}, wide);
        size_t partial = wide ? 20 : 16;
        Z4ResourceHit hit;
        auto check = [&](std::vector<uint8_t> bytes) {
            std::unique_ptr<BYTE[]> exact(new BYTE[bytes.size() ? bytes.size() : 1]);
            std::copy(bytes.begin(), bytes.end(), exact.get());
            return findZ4_list_conflict(exact.get(), bytes.size(), wide, use, &hit);
        };
        EXPECT_TRUE(check(whole));
        EXPECT_TRUE(hit.isInterrupt);
        // Cut short anywhere, the interrupt at the end is not there to be read.
        for (size_t cut = 0; cut < whole.size(); ++cut)
            EXPECT_FALSE(check(std::vector<uint8_t>(whole.begin(), whole.begin() + cut))) << cut;
        // Counts too large: of full descriptors, of partial ones, of device-specific bytes.
        for (size_t at : {size_t(0), size_t(16), size_t(4 + 16 + partial + 4)}) {
            std::vector<uint8_t> bad = whole;
            bad[at] = bad[at + 1] = bad[at + 2] = 0xFF, bad[at + 3] = 0x7F;
            check(bad);
        }
        std::vector<uint8_t> past = whole;
        past.resize(whole.size() - partial);  // the interrupt's descriptor gone
        past[4 + 12] = 3;                      // yet still counted
        EXPECT_FALSE(check(past));
    }
}

// A 64-bit kernel keeps the processor group in the high half of an interrupt's level: the level
// is its low half, and a group other than 0 makes it no other interrupt. A 32-bit kernel has no
// groups: there the whole level counts.
TEST(ResourceLists, the_group_in_a_64_bit_level_is_no_part_of_the_interrupt)
{
    Z4IsaUse use = {true, 5, 0, 1, {0x310}, {0}};
    Z4ResourceHit hit;
    auto check = [&](uint32_t level, bool wide) {
        std::vector<uint8_t> bytes = resource_list({{interrupt(level)}}, wide);
        return findZ4_list_conflict(bytes.data(), bytes.size(), wide, use, &hit);
    };
    EXPECT_TRUE(check(5, true));
    EXPECT_TRUE(check(0x10005, true));
    EXPECT_EQ(hit.interrupt, 5u);
    EXPECT_TRUE(check(0x20005, true));
    EXPECT_FALSE(check(0x10006, true));
    EXPECT_FALSE(check(0x10005, false));
}

}  // namespace

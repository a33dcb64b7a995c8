// Cost of the scan, the reader and the writer against the emulated registry, per port and
// per device-map entry, so that growth with the configuration's size shows.
#include <benchmark/benchmark.h>

#include <string>

#include "z4setup.h"
#include "board_model.h"
#include "config_dialog.h"
#include "dialog_user.h"
#include "registry_setup.h"
#include "registry_faults.h"
#include "ui_record.h"
#include "reg_store.h"
#include "reg_store_kept.h"

namespace {

// Boards of `per_board` ports each, numbered as the writer numbers them from Serial3, COM3.
void set_tables(int boards, int per_board)
{
    for (int b = 0; b < Z4_SLOTS; ++b)
        CurrentZ4config[b] = b < boards ? BoardConfig{b % 2 ? BUS_PCI : BUS_ISA,
                                                      b % 2 ? 0u : 0x308u + 8u * b, b % 2 ? 0u : 10u,
                                                      static_cast<uint32_t>(per_board), 1}
                                        : BoardConfig{0, 0, 0, 0, 0};
    SerialMaxNum = 2;
    COMMaxNum = 2;
}

void fill_tables(int boards, int per_board)
{
    resetZ4_process();
    set_tables(boards, per_board);
}

void fresh_registry(int device_map_entries)
{
    emu::reg_reset();
    emu::ui_reset();
    emu::reg_put_key(Z4_PORTS_KEY);
    for (int i = 0; i < device_map_entries; ++i)
        emu::reg_put_sz(Z4_DEVICE_MAP_KEY, "Serial" + std::to_string(i), "COM" + std::to_string(i + 1));
}

// A configuration as the writer leaves it.
void written_configuration(int boards, int per_board)
{
    fresh_registry(2);
    fill_tables(boards, per_board);
    setZ4_reg_params();
}

void report(benchmark::State &state, size_t calls, int units, const char *unit)
{
    state.counters[std::string("reg_calls_per_") + unit] =
        static_cast<double>(calls) / units;
    state.counters[std::string("time_per_") + unit] = benchmark::Counter(
        static_cast<double>(units), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters[unit + std::string("s")] = units;
}

// Arguments: boards, ports per board.
void BM_Writer_rewrite(benchmark::State &state)
{
    int boards = static_cast<int>(state.range(0)), per = static_cast<int>(state.range(1));
    written_configuration(boards, per);
    size_t calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emu::reg_clear_calls();
        emu::ui_reset();
        fill_tables(boards, per);
        state.ResumeTiming();
        delZ4_reg_boards();
        benchmark::DoNotOptimize(setZ4_reg_params());
        calls = emu::reg_calls().size();
    }
    report(state, calls, boards * per, "port");
}

void BM_Writer_first(benchmark::State &state)
{
    int boards = static_cast<int>(state.range(0)), per = static_cast<int>(state.range(1));
    size_t calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fresh_registry(2);
        fill_tables(boards, per);
        state.ResumeTiming();
        delZ4_reg_boards();
        benchmark::DoNotOptimize(setZ4_reg_params());
        calls = emu::reg_calls().size();
    }
    report(state, calls, boards * per, "port");
}

// The reader; `keep`: as in a run without a window, keeping what it reads for the plan.
void reader_bench(benchmark::State &state, bool keep)
{
    int boards = static_cast<int>(state.range(0)), per = static_cast<int>(state.range(1));
    written_configuration(boards, per);
    size_t calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emu::reg_clear_calls();
        emu::ui_reset();
        resetZ4_process();
        keepZ4_reads(keep);
        state.ResumeTiming();
        getZ4_reg_params();
        calls = emu::reg_calls().size();
    }
    if (CurrentZ4config[boards - 1].NumPorts != static_cast<uint32_t>(per))
        state.SkipWithError("the reader did not read the configuration back");
    report(state, calls, boards * per, "port");
}

void BM_Reader(benchmark::State &state) { reader_bench(state, false); }
void BM_Reader_kept(benchmark::State &state) { reader_bench(state, true); }

// The plan over a configuration the registry holds already, after the kept reader: what "/s"
// adds to leave it alone and "/n" to say so.
void BM_Plan_unchanged(benchmark::State &state)
{
    int boards = static_cast<int>(state.range(0)), per = static_cast<int>(state.range(1));
    written_configuration(boards, per);
    size_t calls = 0;
    unsigned changes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emu::ui_reset();
        resetZ4_process();
        keepZ4_reads(true);
        getZ4_reg_params();
        set_tables(boards, per);   // as a board file sets them, keeping what the reader kept
        emu::reg_clear_calls();
        state.ResumeTiming();
        changes = planZ4_changes(nullptr);
        calls = emu::reg_calls().size();
    }
    if (changes != 0)
        state.SkipWithError("the plan found changes in the configuration just written");
    report(state, calls, boards * per, "port");
}

// Argument: device-map entries; the resource map names each device's two resources.
void BM_Scan(benchmark::State &state)
{
    int entries = static_cast<int>(state.range(0));
    fresh_registry(entries);
    for (int i = 0; i < entries; ++i) {
        std::string device = "\\Device\\Serial" + std::to_string(i);
        emu::reg_put_value(Z4_RESOURCE_MAP_KEY, device + ".Raw", 8, {1, 0, 0, 0});
        emu::reg_put_value(Z4_RESOURCE_MAP_KEY, device + ".Translated", 8, {1, 0, 0, 0});
    }
    size_t calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emu::reg_clear_calls();
        emu::ui_reset();
        state.ResumeTiming();
        getZ4_port_numbers();
        calls = emu::reg_calls().size();
    }
    // Every device is the loaded driver's, two resources each: all of them are numbered afresh.
    if (SerialMaxNum != 0xFFFFFFFFu || COMMaxNum != 0)
        state.SkipWithError("the scan did not count the loaded driver's devices");
    report(state, calls, entries, "entry");
}

// One refresh of the open dialog; argument: number of ISA boards (each refills 79 + 8 items).
void BM_Dialog_refresh(benchmark::State &state)
{
    fresh_registry(2);
    int isa = static_cast<int>(state.range(0));
    fill_tables(0, 0);
    for (int b = 0; b < isa; ++b)
        CurrentZ4config[b] = BoardConfig{BUS_ISA, 0x308u + 8u * b, 10, 64, 1};
    size_t notifications = 0;
    emu::set_dialog_user([&](emu::DialogUser &u) {
        for (auto _ : state) {
            size_t before = u.notifications().size();
            refreshZ4_dialog(u.hwnd());
            notifications = u.notifications().size() - before;
        }
        if (u.items(static_cast<int>(boardControlIds[0][COL_IO_ADDR])).size() != (isa ? 79u : 0u))
            state.SkipWithError("the refresh did not fill the address list");
        u.press(IDC_CANCEL);
    });
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_CONFIG), nullptr, Z4DlgProc, 0);
    state.counters["notifications_per_refresh"] = static_cast<double>(notifications);
    state.counters["reg_calls"] = static_cast<double>(emu::reg_calls().size());
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Args({1, 1})->Args({4, 8})->Args({4, 64})->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_Writer_first)->Apply(sizes);
BENCHMARK(BM_Writer_rewrite)->Apply(sizes);
BENCHMARK(BM_Reader)->Apply(sizes);
BENCHMARK(BM_Reader_kept)->Apply(sizes);
BENCHMARK(BM_Plan_unchanged)->Apply(sizes);
BENCHMARK(BM_Scan)->RangeMultiplier(2)->Range(16, 256)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_Dialog_refresh)->Arg(0)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

// Speed of what one keystroke costs the engine. Run with scripts/bench.sh.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <string>

#include "engine/amount_text.h"
#include "engine/vat.h"

namespace {

using chiffrel::Extended;
using chiffrel::Real48;

// Amounts as a user types them, one character after another.
const std::array<const char*, 8> kTypedAmounts = {"1",     "12",     "123",     "1234",
                                                  "1234.", "1234.5", "1234.56", "120.6"};

// Results as the engines store them: Real48 values of everyday size and sign.
std::array<Extended, 8> StoredResults() {
    std::array<Extended, 8> values{};
    const std::array<Extended, 8> raw = {120.6L,    0.0L,       -5.0L,  0.125L,
                                         15.44281L, 1488.8836L, 9.996L, 123456789.1L};
    for (std::size_t i = 0; i < raw.size(); ++i) {
        values[i] = Real48(raw[i]).value();
    }
    return values;
}

void VatKeystroke(benchmark::State& state) {
    chiffrel::AppState app;
    std::size_t i = 0;
    for (auto _ : state) {
        std::string result =
            chiffrel::ComputeVat(app, kTypedAmounts[i++ % kTypedAmounts.size()], 0);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(app.taxText);
    }
}
BENCHMARK(VatKeystroke);

void FormatAmountWidth9Decimals2(benchmark::State& state) {
    const auto values = StoredResults();
    std::size_t i = 0;
    for (auto _ : state) {
        std::string text = chiffrel::FormatAmount(values[i++ % values.size()], 9, 2);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(FormatAmountWidth9Decimals2);

// The C library's formatting of the same values, as the yardstick for FormatAmount.
void SnprintfWidth9Decimals2(benchmark::State& state) {
    const auto values = StoredResults();
    std::size_t i = 0;
    for (auto _ : state) {
        std::array<char, 64> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%9.2Lf", values[i++ % values.size()]);
        std::string text(buffer.data());
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(SnprintfWidth9Decimals2);

void ParseTypicalAmount(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        auto parsed = chiffrel::ParseAmount(kTypedAmounts[i++ % kTypedAmounts.size()]);
        benchmark::DoNotOptimize(parsed);
    }
}
BENCHMARK(ParseTypicalAmount);

}  // namespace

BENCHMARK_MAIN();

// Nanoseconds per number for each conversion the report uses, on the values
// a real run formats: the resistances, temperatures and density factors of
// the built-in sensor's 254 rows, and the coefficients of its header.
#include <benchmark/benchmark.h>

#include <vector>

#include "number_text/number_text.h"
#include "report/report.h"
#include "thermistor/thermistor.h"

namespace {

using namespace thermtab;

struct row_values {
    std::vector<double> resistance, temperature, density;
};

const row_values& rows() {
    static const row_values values = [] {
        run_settings s;
        row_values v;
        for (int adc = 1; adc <= 254; ++adc) {
            double r = adc_to_resistance(s, adc);
            double t = resistance_to_fahrenheit(s, r);
            v.resistance.push_back(r);
            v.temperature.push_back(t);
            v.density.push_back(density_factor(t));
        }
        return v;
    }();
    return values;
}

template <format_string F>
void per_number(benchmark::State& state, const std::vector<double>& values) {
    text_buffer out;
    for (auto _ : state) {
        for (double v : values) format_into<F>(out, v);
        benchmark::DoNotOptimize(out.data());
        out.clear();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
    state.counters["ns_per_number"] = benchmark::Counter(static_cast<double>(state.iterations() * values.size()),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void resistance_10_2f(benchmark::State& state) { per_number<"%10.2f">(state, rows().resistance); }
void temperature_8_2f(benchmark::State& state) { per_number<"% 8.2f">(state, rows().temperature); }
void density_8_2f(benchmark::State& state) { per_number<"% 8.2f">(state, rows().density); }
void temperature_5_1f(benchmark::State& state) { per_number<"% 5.1f">(state, rows().temperature); }
void confirmation_10_2f(benchmark::State& state) { per_number<"% 10.2f">(state, rows().temperature); }
void bias_0f(benchmark::State& state) { per_number<"%.0f">(state, std::vector<double>{2490.0, 2200.0, 2490.5}); }
void coefficient_g(benchmark::State& state) {
    per_number<"%g">(state, std::vector<double>{0.00149031826, 0.00022745952, 1.1639e-07});
}

void adc_3d(benchmark::State& state) {
    text_buffer out;
    for (auto _ : state) {
        for (int adc = 0; adc < 256; ++adc) format_into<"%3d">(out, adc);
        benchmark::DoNotOptimize(out.data());
        out.clear();
    }
    state.counters["ns_per_number"] =
        benchmark::Counter(static_cast<double>(state.iterations() * 256), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(resistance_10_2f);
BENCHMARK(temperature_8_2f);
BENCHMARK(density_8_2f);
BENCHMARK(temperature_5_1f);
BENCHMARK(confirmation_10_2f);
BENCHMARK(bias_0f);
BENCHMARK(coefficient_g);
BENCHMARK(adc_3d);

BENCHMARK_MAIN();

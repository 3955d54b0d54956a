#include "trace_stats.h"

#include <cstring>
#include <string>

#include "vorlane_state.h"

template <typename T> TraceScan<T> trace_scan(const T* s, int32_t count, double bias) {
    TraceScan<T> out;
    double sum = 0.0;
    if constexpr (std::is_same_v<T, float>) {
        for (int32_t i = 0; i < count; ++i) {
            const double v = s[i];
            out.maximum = std::max(out.maximum, v);
            out.minimum = std::min(out.minimum, v);
            sum += v;
        }
    } else if (count > 0) {
        // Whole-number samples: exact sums and extremes in their own type, bias applied after.
        int64_t isum = 0;
        trace_run_extremes<T, true>(s, count, out.raw_min, out.raw_max, isum);
        out.maximum = static_cast<double>(out.raw_max) - bias;
        out.minimum = static_cast<double>(out.raw_min) - bias;
        sum = static_cast<double>(isum) - bias * static_cast<double>(count);
    }
    out.mean = count > 0 ? sum / count : 0.0;
    return out;
}

template <typename T>
double trace_peak(T* s, int32_t count, int32_t first, int32_t last, const TraceScan<T>& scan,
                  const SampleMap<T>& map) {
    double peak = 0.0;
    if constexpr (std::is_same_v<T, float>) {
        for (int32_t i = first; i < last; ++i) {
            const double v = map.clipped(s[i]);
            s[i] = static_cast<T>(v);
            peak = std::max(peak, std::fabs(v));
        }
    } else if (first < last) {
        T lo = scan.raw_min, hi = scan.raw_max;
        if (first != 0 || last != count) {
            int64_t unused = 0;
            trace_run_extremes<T, false>(s + first, last - first, lo, hi, unused);
        }
        peak = std::max(std::fabs(map.clipped(lo)), std::fabs(map.clipped(hi)));
    }
    return peak;
}

template TraceScan<int16_t> trace_scan(const int16_t*, int32_t, double);
template TraceScan<int32_t> trace_scan(const int32_t*, int32_t, double);
template TraceScan<float> trace_scan(const float*, int32_t, double);
template double trace_peak(int16_t*, int32_t, int32_t, int32_t, const TraceScan<int16_t>&,
                           const SampleMap<int16_t>&);
template double trace_peak(int32_t*, int32_t, int32_t, int32_t, const TraceScan<int32_t>&,
                           const SampleMap<int32_t>&);
template double trace_peak(float*, int32_t, int32_t, int32_t, const TraceScan<float>&,
                           const SampleMap<float>&);

bool trace_in_abs_list(const char station[5]) {
    const VorlaneState& st = vorlane_state();
    const std::string name(station, strnlen(station, 5));
    for (int k = 0; k < st.abs_count; ++k)
        if (name == st.abs_list[k])
            return true;
    return false;
}

double trace_full_scale(float magnification, bool absolute, int32_t sample_max, double peak) {
    // Float samples have no full-scale count (sample max 0): at absolute amplitude and
    // with a fixed magnification their peak stands in for it, so that a float trace is
    // neither a flat line nor thrown across the whole sheet.
    const double full = sample_max > 0 ? static_cast<double>(sample_max) : peak;
    if (magnification == 1.0f || absolute)
        return full;
    if (magnification < 0)
        return full / -static_cast<double>(magnification);
    const double m = magnification;
    if (sample_max / std::max(peak, 1.0) > m)
        return sample_max / m;
    return peak;
}

// Statistics of a trace's samples, the map from a raw sample to its plotted
// value (mean removal and clipping), the peak and the full scale.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

// Smallest and largest of n > 0 samples, and their sum when asked. Four
// independent lanes, so that each comparison need not wait for the last.
template <typename T, bool WithSum>
void trace_run_extremes(const T* s, int64_t n, T& lo, T& hi, int64_t& sum) {
    T lo4[4] = {s[0], s[0], s[0], s[0]}, hi4[4] = {s[0], s[0], s[0], s[0]};
    int64_t sum4[4] = {0, 0, 0, 0};
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        for (int k = 0; k < 4; ++k) {
            const T v = s[i + k];
            lo4[k] = v < lo4[k] ? v : lo4[k];
            hi4[k] = v > hi4[k] ? v : hi4[k];
            if constexpr (WithSum)
                sum4[k] += v;
        }
    }
    for (; i < n; ++i) {
        lo4[0] = std::min(lo4[0], s[i]);
        hi4[0] = std::max(hi4[0], s[i]);
        if constexpr (WithSum)
            sum4[0] += s[i];
    }
    lo = std::min(std::min(lo4[0], lo4[1]), std::min(lo4[2], lo4[3]));
    hi = std::max(std::max(hi4[0], hi4[1]), std::max(hi4[2], hi4[3]));
    sum = (sum4[0] + sum4[1]) + (sum4[2] + sum4[3]);
}

// Maximum, minimum and mean of all samples (bias removed), and for whole-number
// samples their raw extremes.
template <typename T> struct TraceScan {
    double maximum = -1.0e30;
    double minimum = 1.0e30;
    double mean = 0.0;
    T raw_min{};
    T raw_max{};
};
template <typename T> TraceScan<T> trace_scan(const T* s, int32_t count, double bias);

// From a raw sample to its plotted value: bias and mean removed, whole-number
// values limited to +-limit and truncated towards zero, all in the sample's own
// width. The map never decreases, so the smallest and largest plotted values of
// any run of samples are those of its smallest and largest raw ones.
template <typename T> struct SampleMap {
    static constexpr bool kFloat = std::is_same_v<T, float>;
    double bias;
    double mean;
    double limit;
    double clipped(double raw) const {
        const double v = raw - bias - mean;
        return kFloat ? v : std::clamp(v, -limit, limit);
    }
    double plotted(T raw) const {
        if constexpr (kFloat)
            return static_cast<double>(static_cast<T>(clipped(raw)));
        else
            return static_cast<double>(static_cast<T>(std::trunc(clipped(raw))));
    }
};

// Largest |clipped value| of samples first .. last - 1. Float samples are mapped
// one by one and replaced by their plotted values (a NaN or an infinity among
// them does not follow the order of the others); whole-number samples stay raw.
template <typename T>
double trace_peak(T* s, int32_t count, int32_t first, int32_t last, const TraceScan<T>& scan,
                  const SampleMap<T>& map);

// True when the station name (up to its first zero byte) is in the absolute-amplitude list.
bool trace_in_abs_list(const char station[5]);

// Full scale of a trace: the value that deflects it by half the band height.
double trace_full_scale(float magnification, bool absolute, int32_t sample_max, double peak);

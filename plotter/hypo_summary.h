// The event of the hypocentre listing, as far as the sheets show it.
#pragma once

#include <cstdint>

struct HypoSummary {
    int16_t kind =
        0; // 0 none, 1 HYPO71 printed output, 2 local event list, 3 teleseismic event list
    double origin_time = 0.0;
    float latitude = 0.0f;
    int16_t lat_degrees = 0;
    float lat_minutes = 0.0f;
    float longitude = 0.0f;
    int16_t lon_degrees = 0;
    float lon_minutes = 0.0f;
    float depth = 0.0f;
    float magnitude = 0.0f;
    int32_t nl = 0;
    int32_t nm = 0;
    int32_t station_count = 0;
    int32_t gap = 0;
    float rms = 0.0f;
    float erh = 0.0f;
    float erz = 0.0f;
};

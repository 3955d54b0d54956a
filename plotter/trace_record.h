// One channel of the SUDS input file as the plotter sees it.
#pragma once

#include <cstdint>

struct TraceRecord {
    char station[5] = {};
    char component = 0;
    unsigned char key[12] = {}; // station/component identifier, compared byte for byte
    char long_id[32] = {};      // long network 8, long station 16, long component 8
    double ist = 0.0;
    float rate = 0.0f;
    int32_t length = 0;
    int32_t offset = -1; // tag position of the DescripTrace; -1 = no waveform
    int32_t peak = 0;
    double maximum = 0.0;
    double minimum = 0.0;
    double mean = 0.0;
    int32_t sample_max = 0;
    int32_t sample_bias = 0;
    char data_type = ' ';
    double gain = -1.0e-36;
    double dig_con = -1.0e-36;
    float delta = 999.0f;
    int32_t fmp = 0;
    double p_observed = 0.0;
    double s_observed = 0.0;
    double p_calculated = 0.0;
    double s_calculated = 0.0;
    int32_t p_weight = 6;
    int32_t s_weight = 6;
    char p_first_motion = ' ';
    char s_first_motion = ' ';
    char p_onset = ' ';
    char s_onset = ' ';
    int16_t include = 1;
    int16_t reverse = 0;
};

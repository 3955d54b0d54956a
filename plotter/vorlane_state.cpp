#include "vorlane_state.h"

VorlaneState& vorlane_state() {
    static VorlaneState state;
    return state;
}

void vorlane_reset() {
    VorlaneState& st = vorlane_state();
    st.log.reset();
    st = VorlaneState{};
}

int vorlane_time_code() {
    return vorlane_state().settings.doy_dates ? 10 : 4;
}

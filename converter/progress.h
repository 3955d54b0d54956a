// How far the run is, for the front end and for a user at a terminal.
//
// When TALVEX_PROGRESS_FD names a descriptor open for writing, each pass
// writes lines "progress <pass> <passes> <done> <total>\n" to it: one when the
// pass starts (done 0), then at most about every 1% and 100 ms, and one with
// done == total when the pass ends. Without it, a terminal on standard error
// shows the same as one line rewritten in place and cleared at the end;
// otherwise nothing is written anywhere.
#pragma once

#include <cstdint>

class Progress {
  public:
    // Chooses where progress goes (the descriptor, the terminal, or nowhere).
    // passes: 1 for a SUDS run, 2 otherwise.
    void open(int passes);

    // A pass begins with `total` units of work (made at least 1).
    void start(int pass, std::int64_t total);
    // `done` units of the pass are done; cheap when nothing is to be shown.
    void update(std::int64_t done) {
        if (active_ && done >= next_)
            show(done, false);
    }
    // Units done before the file now being worked on (pass 2 over several
    // work files); update_at adds them.
    void set_base(std::int64_t base) { base_ = base; }
    void update_at(std::int64_t done_in_file) { update(base_ + done_in_file); }
    // The pass is complete (done == total is shown).
    void finish();

    // Takes the terminal line away before other text is written; it comes
    // back with the next update.
    void hide();

  private:
    void show(std::int64_t done, bool force);

    int fd_ = -1;           // progress descriptor, -1 when none
    bool terminal_ = false; // standard error is a terminal and no descriptor was given
    bool active_ = false;   // a pass is being shown
    bool line_shown_ = false;
    int passes_ = 2;
    int pass_ = 0;
    std::int64_t total_ = 1;
    std::int64_t next_ = 0; // next done value worth a look at the clock
    std::int64_t last_ms_ = 0;
    std::int64_t last_done_ = -1;
    std::int64_t base_ = 0;
};

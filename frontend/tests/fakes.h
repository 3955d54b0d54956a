// A scripted stand-in for the dialogs, and a test bed with a program folder
// in which fake or real programs sit.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "actions.h"
#include "shell.h"

namespace fenwold_test {

namespace fs = std::filesystem;
using fenwold::FileDialog;
using fenwold::MessageIcon;

// Answers dialogs from queues and records what was asked.
class ScriptedShell : public fenwold::Shell {
  public:
    // Save answers: a path, kKeep for the offered name, or nullopt (Cancel).
    static constexpr const char* kKeep = "<offered>";

    std::vector<std::pair<std::string, MessageIcon>> messages;
    std::vector<std::string> details;             // the cause under each message
    std::deque<bool> offers_taken;                // answers to offered buttons (default: not taken)
    std::vector<std::string> works;               // what each watched child was doing
    std::vector<fenwold::ChildProgress> progress; // every progress seen
    int cancel_after_polls = -1;                  // cancels a child after this many polls
    int polls = 0;
    std::vector<std::string> questions;
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> opens, saves;
    std::vector<FileDialog> open_dialogs, save_dialogs;
    std::string label;
    bool enabled = false;
    int info_windows = 0, info_closes = 0;
    std::string info_file_line;
    std::vector<std::string> info_lines;

    bool show_message(const fenwold::Message& m) override {
        messages.emplace_back(m.text, m.icon);
        details.push_back(m.detail);
        if (m.offer.empty() || offers_taken.empty())
            return false;
        bool taken = offers_taken.front();
        offers_taken.pop_front();
        return taken;
    }
    void child_begin(const std::string& what) override {
        works.push_back(what);
        polls = 0;
    }
    bool child_working(const fenwold::ChildProgress& p) override {
        if (p.pass > 0)
            progress.push_back(p);
        return cancel_after_polls < 0 || ++polls < cancel_after_polls;
    }
    void child_end() override {}
    bool ask_yes_no(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return false;
        }
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> choose_open(const FileDialog& d) override {
        open_dialogs.push_back(d);
        if (opens.empty()) {
            ADD_FAILURE() << "unexpected open dialog: " << d.title;
            return std::nullopt;
        }
        auto a = opens.front();
        opens.pop_front();
        return a;
    }
    std::optional<std::string> choose_save(const FileDialog& d) override {
        save_dialogs.push_back(d);
        if (saves.empty()) {
            ADD_FAILURE() << "unexpected save dialog for " << d.name;
            return std::nullopt;
        }
        auto a = saves.front();
        saves.pop_front();
        if (a && *a == kKeep)
            return d.name;
        return a;
    }
    void set_file_label(const std::string& text) override { label = text; }
    void enable_file_controls(bool enable) override { enabled = enable; }
    void show_info(const std::string& file_line, const std::vector<std::string>& lines) override {
        ++info_windows;
        info_file_line = file_line;
        info_lines = lines;
    }
    void close_info() override { ++info_closes; }
    void pause_ms(int) override {}

    std::string last_message() const { return messages.empty() ? "" : messages.back().first; }
    std::string last_detail() const { return details.empty() ? "" : details.back(); }
};

// A front end over a private tree: programs/ (fake or real programs),
// data/ (the user's files), work/ (the children's working folder) and the
// temp folder made under tmp/.
class Bed : public ::testing::Test {
  public:
    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

  protected:
    void SetUp() override {
        char templ[] = "/tmp/frontend_test.XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        root_ = templ;
        for (auto d : {"programs", "data", "work", "tmp"})
            fs::create_directory(root_ / d);
        if (const char* t = getenv("TMPDIR"))
            saved_tmpdir_ = t;
        setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
        children_ = std::make_unique<fenwold::SystemChildren>((root_ / "work").string());
        fe_.program_folder = (root_ / "programs").string();
        fe_.shell = &shell_;
        fe_.children = children_.get();
        fe_.start_folder = (root_ / "work").string();
        std::string error;
        ASSERT_TRUE(fenwold::frontend_start(fe_, error)) << error;
        fenwold::frontend_init_window(fe_);
    }
    void TearDown() override {
        fenwold::frontend_exit(fe_);
        fs::remove_all(root_);
        if (saved_tmpdir_) {
            setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

    std::string data(const std::string& name) const { return (root_ / "data" / name).string(); }
    std::string programs(const std::string& name) const {
        return (root_ / "programs" / name).string();
    }
    // A file in the current recording's folder inside the temp folder, and
    // one in the folder the next Open will make.
    std::string temp(const std::string& name) const {
        return fenwold::join_path(fe_.recording_folder, name);
    }
    std::string next_temp(const std::string& name) const {
        return fenwold::join_path(
            fenwold::join_path(fe_.temp_folder, std::to_string(fe_.opens + 1)), name);
    }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void install_script(const std::string& name, const std::string& body) {
        write(programs(name), "#!/bin/sh\n" + body);
        fs::permissions(programs(name), fs::perms::owner_all);
    }
    bool link_program(const std::string& name, const std::string& binary) {
        if (!fs::exists(binary))
            return false;
        fs::create_symlink(binary, programs(name));
        return true;
    }

    // Opens a recorder file through the scripted Open dialog.
    void open(const std::string& path) {
        shell_.opens.push_back(path);
        fenwold::action_open(fe_);
    }

    fs::path root_;
    std::optional<std::string> saved_tmpdir_;
    ScriptedShell shell_;
    std::unique_ptr<fenwold::SystemChildren> children_;
    fenwold::Frontend fe_;
};

} // namespace fenwold_test

#include "staging.h"

#include "platform/files.h"
#include "run.h"

std::string staging_name(const std::string& name) {
    return name + ".part";
}

std::FILE* staging_open(const std::string& name) {
    if (platform::is_folder(name))
        return nullptr;
    return platform::open_file(staging_name(name), "wb");
}

bool staging_commit(const std::string& name) {
    const std::string staged = staging_name(name);
    std::string error;
    if (!platform::rename_file(staged, name, error)) {
        report("\nERROR: unable to rename %s to %s: %s\n", staged.c_str(), name.c_str(),
               error.c_str());
        return false;
    }
    return true;
}

void staging_discard(const std::string& name) {
    std::string error;
    platform::delete_file(staging_name(name), error);
}

platform::FileHandle staging_begin(const std::string& name) {
    if (platform::file_exists(name) && !platform::is_writable(name)) {
        report("\nERROR: write permission denied: %s\n", name.c_str());
        return nullptr;
    }
    platform::FileHandle out(staging_open(name));
    if (!out)
        report("\nERROR: unable ot open output file: %s\n", name.c_str());
    return out;
}

bool staging_finish(platform::FileHandle& out, const std::string& name) {
    if (!platform::close_file(out)) {
        report("\nERROR: write error to output file!\n");
        staging_discard(name);
        return false;
    }
    if (!staging_commit(name)) {
        staging_discard(name);
        return false;
    }
    return true;
}

void staging_abandon(platform::FileHandle& out, const std::string& name) {
    out.reset();
    staging_discard(name);
}

#pragma once
// Helpers shared by the tests: a notifier that records what the core said, a fresh temporary
// folder per test, and the location of the shared drawings written by other programs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "machine_link/commands.h"
#include "model/geometry_types.h"
#include "platform/notifier.h"

namespace vellisk::test {

// A cutting path built by hand: the plan points of 3-D points (their Z dropped).
inline std::vector<PlanPoint> PlanPoints(const std::vector<tpunkt>& points) {
    std::vector<PlanPoint> out;
    for (const tpunkt& p : points) out.push_back(PlanOf(p));
    return out;
}

// A cutting path's plan points as 3-D points (Z = 0).
inline std::vector<tpunkt> Points3D(const std::vector<PlanPoint>& points) {
    return std::vector<tpunkt>(points.begin(), points.end());
}

// A byte string from byte values: commands as the controller receives them.
inline std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b));
    return s;
}

// The commands of a job file, cut with the controller's command lengths.
inline std::vector<std::string> JobCommands(const std::string& data, const CommandLengthTable& t) {
    std::vector<std::string> out;
    for (std::size_t pos = 0; pos < data.size();) {
        const std::size_t len = t.LengthOf(static_cast<std::uint8_t>(data[pos]));
        if (len == 0) {
            ADD_FAILURE() << "no command starts at offset " << pos;
            break;
        }
        out.push_back(data.substr(pos, len));
        pos += len;
    }
    return out;
}

struct RecordedMessage {
    std::string text;
    MessageKind kind;
    Buttons buttons;
    std::string caption;
};

class RecordingNotifier : public Notifier {
public:
    Answer Message(const std::string& text, MessageKind kind, Buttons buttons, const std::string& caption) override;
    void Status(const std::string& text, int panel) override;
    void Busy(bool on) override;

    std::vector<RecordedMessage> messages;
    std::vector<std::string> statuses;
    std::vector<Answer> answers;  // answers to give, in order; when empty: Ok / Yes
    int busyDepth = 0;            // hourglass on minus off; 0 when every way out restored it
    int busyCalls = 0;
};

// A fresh empty folder under the system's temporary folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The process's current folder moved to a folder for the object's lifetime (relative paths such
// as the default settings file's resolve there), and put back afterwards.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::filesystem::path& p) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(p);
    }
    ~CurrentFolder() { std::filesystem::current_path(old_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::filesystem::path old_;
};

// An environment variable set (or, for a null value, removed) for the object's lifetime, and its
// old value put back afterwards.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

// ../shared/testdata/<sub>, or an empty path when the folder is not there.
std::filesystem::path SharedTestData(const std::string& sub = {});

// The project's own test data folder tests/data.
std::filesystem::path ProjectTestData(const std::string& sub = {});

std::string ReadFileBytes(const std::filesystem::path& p);
void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes);

// Looks at `done` every millisecond until it holds or `ms` milliseconds have passed; true when
// it held. For what another thread or the other end of a socket does in its own time.
template <typename Pred>
bool WaitUntil(Pred done, int ms = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace vellisk::test

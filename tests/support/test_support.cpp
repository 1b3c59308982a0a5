#include "support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace vellisk::test {

Answer RecordingNotifier::Message(const std::string& text, MessageKind kind, Buttons buttons,
                                  const std::string& caption) {
    messages.push_back({text, kind, buttons, caption});
    if (!answers.empty()) {
        Answer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
}

void RecordingNotifier::Status(const std::string& text, int) { statuses.push_back(text); }

void RecordingNotifier::Busy(bool on) {
    busyDepth += on ? 1 : -1;
    ++busyCalls;
}

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100; ++i) {
        auto p = base / ("vellisk-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path SharedTestData(const std::string& sub) {
    // VELLISK_SHARED_TESTDATA in the environment points elsewhere (a worktree beside the shared
    // folder, for instance).
    const char* env = std::getenv("VELLISK_SHARED_TESTDATA");
    std::filesystem::path p = env && *env ? std::filesystem::path(env) : VELLISK_SHARED_TESTDATA;
    if (!sub.empty()) p /= sub;
    return std::filesystem::exists(p) ? p : std::filesystem::path{};
}

std::filesystem::path ProjectTestData(const std::string& sub) {
    std::filesystem::path p = VELLISK_TEST_DATA;
    if (!sub.empty()) p /= sub;
    return p;
}

std::string ReadFileBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    if (!f) throw std::runtime_error("cannot read " + p.string());
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFileBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + p.string());
}

}  // namespace vellisk::test

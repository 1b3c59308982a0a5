#pragma once
// A drawing reader that hands out figures given in the test, finished the way the file readers
// finish them, a writer that records what a save asked for, and a fixture holding a project
// loaded from such figures.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "drawing_files/drawing_text.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk::test {

struct FigureSpec {
    std::vector<std::pair<double, double>> points;
    std::int32_t layer = 1;
    double value = 0.0;
};

inline FigureSpec Rect(double x0, double y0, double x1, double y1, std::int32_t layer = 1) {
    return {{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}, layer, 0.0};
}

class ListInput : public DrawingInput {
public:
    explicit ListInput(std::vector<FigureSpec> figures, int openResult = 0)
        : figures_(std::move(figures)), openResult_(openResult) {}

    int OpenInput(const std::string&, int) override {
        if (openResult_ == 0) open = true;
        return openResult_;
    }
    void ReadFigure(tfigura& f) override {
        if (failAt >= 0 && next_ == static_cast<std::size_t>(failAt)) throw CoreError::conversion("not a number: 1.5x");
        const FigureSpec& s = figures_[next_++];
        for (auto [x, y] : s.points) f.Contour.push_back({x, y, 0.0});
        f.Layer = s.layer;
        f.Value = s.value;
        CompleteReadFigure(f);
    }
    bool EndOfFile() const override { return next_ >= figures_.size(); }
    void CloseInput() override {
        open = false;
        ++closed;
    }
    std::string Where() const override { return "line " + std::to_string(next_ * 10 + 1); }

    bool open = false;
    int closed = 0;
    int failAt = -1;

private:
    std::vector<FigureSpec> figures_;
    int openResult_;
    std::size_t next_ = 0;
};

class RecordingWriter : public FigureWriter {
public:
    void OpenOutput(const std::string& path, int kind) override {
        calls.push_back("open " + path + " " + std::to_string(kind));
    }
    void WriteLayerSettings(double speed, double power, double rest) override {
        calls.push_back("layer " + std::to_string(static_cast<int>(speed)) + " " +
                        std::to_string(static_cast<int>(power)) + " " + std::to_string(static_cast<int>(rest)));
    }
    void WriteFigure(tfigura& f) override {
        if (failOnFigure) throw CoreError::io("disk full");
        calls.push_back("figure " + std::to_string(f.Index));
    }
    void CloseOutput() override { calls.push_back("close"); }

    std::vector<std::string> calls;
    bool failOnFigure = false;
};

// Settings, an English machine context, a recording notifier and the project read from the
// figures a test gives.
class ProjectFixture : public ::testing::Test, public test::MachineRig {
protected:
    ProjectFixture() { env.Lang.Language = kLangEnglish; }
    void Load(std::vector<FigureSpec> figs, int kind = KindHpgl) {
        project = std::make_unique<Project>(kind, settings, ctx, env, jobValues, notifier);
        ListInput input(std::move(figs));
        ASSERT_EQ(project->Load("d", input).status, LoadStatus::Ok);
    }

    Settings settings;
    RecordingNotifier notifier;
    std::unique_ptr<Project> project;
};

}  // namespace vellisk::test

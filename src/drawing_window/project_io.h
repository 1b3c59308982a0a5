#pragma once
// The program's reader and writer behind a project's load and save.
#include <memory>
#include <string>

#include "drawing_files/job_machine.h"
#include "drawing_files/job_sink.h"
#include "drawing_files/job_writer.h"
#include "drawing_window/project.h"

namespace vellisk {

// Writes a project's figures as the machine job "out.cnx" (output kinds 4 and 5) or as an HPGL
// file (output kind 1), with the machine in force at the moment the output is opened. After a
// machine job the stream's start height and extents are kept in the job's values.
class JobFileWriter : public FigureWriter {
public:
    JobFileWriter(MachineContext& ctx, JobValues& job, const Settings& settings, int outputKind,
                  double gcodePower = 0.0);
    ~JobFileWriter() override;

    void OpenOutput(const std::string& path, int kind) override;
    void WriteLayerSettings(double speed, double power, double rest) override;
    void WriteFigure(tfigura& figure) override;
    void WriteEntries(std::size_t count, const EntryLender& lend) override;
    void CloseOutput() override;

private:
    MachineContext& ctx_;
    JobValues& job_;
    const Settings& settings_;
    int outputKind_;
    double gcodePower_;
    std::unique_ptr<JobSink> sink_;
    std::unique_ptr<JobMachine> machine_;
    std::unique_ptr<JobWriter> writer_;
};

}  // namespace vellisk

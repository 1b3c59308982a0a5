#pragma once
// What a job streamer delivered to the simulated controller: the bytes of the commands received
// from a point of its log on, without the one "G" (start) that the streamer sends after the 17th
// command, which is checked to stand exactly there.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "sim/controller_model.h"

namespace vellisk::sim {

inline std::string Streamed(const ControllerModel& m, std::size_t from) {
    std::string s;
    int commands = 0, starts = 0;
    for (std::size_t i = from; i < m.log.size(); ++i) {
        if (m.log[i].bytes == "G") {
            EXPECT_EQ(commands, 17) << "\"G\" follows the 17th command";
            ++starts;
            continue;
        }
        ++commands;
        s += m.log[i].bytes;
    }
    EXPECT_EQ(starts, 1);
    return s;
}

}  // namespace vellisk::sim

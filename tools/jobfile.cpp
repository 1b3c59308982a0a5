// Developer tool for machine job files.
//   jobfile decode FILE [--arm]    prints the job one command a line: the letter (or packet
//                                  text) and its operands as numbers; --arm reads it with the
//                                  newer controller's command lengths.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "drawing_files/job_decoder.h"
#include "model/core_error.h"

int main(int argc, char** argv) {
    using namespace vellisk;
    if (argc < 3 || std::strcmp(argv[1], "decode") != 0) {
        std::fprintf(stderr, "usage: %s decode FILE [--arm]\n", argv[0]);
        return 2;
    }
    bool arm = argc > 3 && std::strcmp(argv[3], "--arm") == 0;
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        std::fputs(JobListing(bytes, JobCommandLengths(arm)).c_str(), stdout);
    } catch (const CoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

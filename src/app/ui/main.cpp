#include "app/ui/program_main.h"

int main(int argc, char** argv) { return vellisk::ui::ProgramMain(argc, argv); }

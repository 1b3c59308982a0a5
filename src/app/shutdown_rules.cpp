#include "app/shutdown_rules.h"

namespace vellisk {

bool UsbLinkWanted(const std::vector<std::string>& argv) {
    for (std::size_t i = 1; i <= 2 && i < argv.size(); ++i)
        if (argv[i] == "95") return false;
    return true;
}

CloseAnswer CloseQuery(const CloseState& s) {
    if (s.lptTransfer) return CloseAnswer::RefuseTransfer;
    if (s.armLink && s.streaming) return s.jobHeld ? CloseAnswer::StopStreamAndAllow : CloseAnswer::RefuseStreaming;
    return CloseAnswer::Allow;
}

}  // namespace vellisk

// Simulated controllers and their transport peers live in this folder.
namespace vellisk::sim {}

#include "platform/Platform_Services.h"

namespace {
CHeadlessProcess g_headless;
IProcessServices *g_services = nullptr;
}  // namespace

IProcessServices &ProcessServices() { return g_services ? *g_services : g_headless; }
void SetProcessServices(IProcessServices *services) { g_services = services; }

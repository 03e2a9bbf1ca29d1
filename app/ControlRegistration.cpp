#include "app/ControlRegistration.h"

#include <dlfcn.h>

#include "com/ClassFactory.h"

bool RegisterNotifierControl(const std::string& programDir) {
    const std::string path = programDir + "Pallinote.ocx";
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr)
        return false;
    auto reg = reinterpret_cast<PfnDllRegisterServer>(dlsym(lib, "DllRegisterServer"));
    if (reg == nullptr)
        return false;
    if (reg() < 0) {
        dlclose(lib);
        return false;
    }
    return true;
}

// Loading the plug-in with dlopen.
#include "PluginLoader.h"

#include <dlfcn.h>

namespace report {
namespace {

std::string LastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
    dlerror();  // clear an earlier error
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = "cannot load plug-in " + path + ": " + LastDlError();
        return nullptr;
    }
    dlerror();
    void* symbol = dlsym(handle, "GetCFProcCustom");
    if (!symbol) {
        error = "cannot load plug-in " + path + ": " + LastDlError();
        dlclose(handle);
        return nullptr;
    }
    // dlsym gives an object pointer; POSIX guarantees it converts to a function pointer.
    Factory factory = reinterpret_cast<Factory>(symbol);
    return std::unique_ptr<PluginModule>(new PluginModule(handle, factory));
}

PluginModule::~PluginModule() { dlclose(fHandle); }

}  // namespace report

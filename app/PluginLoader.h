// Loading the plug-in module and finding its factory.
#pragma once

#include <memory>
#include <string>

class CFProcCustom;

namespace report {

// A loaded plug-in module; unloaded when the object dies. Objects the module
// made must be deleted before that.
class PluginModule {
public:
    using Factory = CFProcCustom* (*)();

    // Loads the module at path and finds GetCFProcCustom. Gives null and a
    // message ("cannot load plug-in PATH: <reason>") when either fails.
    static std::unique_ptr<PluginModule> Load(const std::string& path, std::string& error);

    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    Factory GetFactory() const { return fFactory; }

private:
    PluginModule(void* handle, Factory factory) : fHandle(handle), fFactory(factory) {}

    void* fHandle;
    Factory fFactory;
};

}  // namespace report

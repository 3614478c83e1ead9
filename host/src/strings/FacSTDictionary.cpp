// String-table service and path service.
#include "FacSTDictionary.h"

#include <fstream>

namespace {
std::string& ResourceDirectoryValue() {
    static std::string directory = "resources";
    return directory;
}
}  // namespace

FacSTDictionary::FacSTDictionary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        fSections[section][line.substr(0, tab)] = line.substr(tab + 1);
    }
}

void FacSTDictionary::SetProcedure(const std::string& procedure) { fProcedure = procedure; }

std::string FacSTDictionary::LookUp(const std::string& key) const {
    auto section = fSections.find(fProcedure);
    if (section == fSections.end()) return key;
    auto found = section->second.find(key);
    return found == section->second.end() ? key : found->second;
}

PathInstance::~PathInstance() = default;
std::string PathInstance::InstallDirectory() const { return ResourceDirectoryValue() + "/.."; }
std::string PathInstance::ResourceDirectory() const { return ResourceDirectoryValue(); }
std::string PathInstance::TemplateDirectory() const { return ResourceDirectoryValue() + "/templates"; }
std::string PathInstance::CatalogueFile() const {
    return ResourceDirectoryValue() + "/catalogue/en.txt";
}
std::string PathInstance::StringTableFile() const {
    return ResourceDirectoryValue() + "/strings/en.txt";
}

PathInstance* PathFactory::getPathInstance(int number) {
    static PathInstance strings;
    return number == 3 ? &strings : nullptr;
}

void PathFactory::SetResourceDirectory(const std::string& directory) {
    ResourceDirectoryValue() = directory;
}

const std::string& PathFactory::ResourceDirectory() { return ResourceDirectoryValue(); }

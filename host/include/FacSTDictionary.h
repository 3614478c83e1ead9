// String-table service: the localized texts charts use, read from the string
// table file, one section per procedure. And the path service that tells
// where that file is.
#pragma once

#include <map>
#include <string>

class FacSTDictionary {
public:
    // Reads the string table at path. A file that cannot be read gives an
    // empty dictionary, in which every key looks itself up.
    explicit FacSTDictionary(const std::string& path);

    // Selects the section of the procedure.
    void SetProcedure(const std::string& procedure);
    // The text of key in the selected section; the key itself when missing.
    std::string LookUp(const std::string& key) const;

private:
    std::map<std::string, std::map<std::string, std::string>> fSections;
    std::string fProcedure;
};

// A path the host knows. Path object 3's fifth operation gives the string table.
class PathInstance {
public:
    virtual ~PathInstance();
    virtual std::string InstallDirectory() const;
    virtual std::string ResourceDirectory() const;
    virtual std::string TemplateDirectory() const;
    virtual std::string CatalogueFile() const;
    virtual std::string StringTableFile() const;
};

class PathFactory {
public:
    // The path object with this number, or null for an unknown number.
    static PathInstance* getPathInstance(int number);
    // Where the resources (templates, string table, catalogue) are; set by the host.
    static void SetResourceDirectory(const std::string& directory);
    static const std::string& ResourceDirectory();
};

// What the fuzz targets share: the resources of the source tree, and a data
// source with the variables the seed documents name, so that field records
// get variables and value lists as they do in a real run.
#pragma once

#include <string>

#include "FacSTDictionary.h"
#include "QUOR_DataSource.h"

namespace fuzz {

inline ProcedureDataSource& DataSource() {
    static ProcedureDataSource* dataSource = [] {
        PathFactory::SetResourceDirectory(NPAR_SOURCE_DIR "/resources");
        auto* made = new ProcedureDataSource();
        const char* numeric[] = {"score", "group", "id",    "age",   "income",    "before",
                                 "after", "week1", "week2", "week3", "treatment", "visit"};
        for (const char* name : numeric) {
            QUOR_Variable variable(name, std::string(name) + " label", 0, QUOR_Format(5, 8, 2));
            variable.ValueLabels().Add(OBS(1.0), "One");
            made->AddVariable(variable);
        }
        made->AddVariable(QUOR_Variable("region", "Region", 8, QUOR_Format(1, 8, 0)));
        made->AddVariable(QUOR_Variable("enrolled", "Enrolled", 0, QUOR_Format(20, 11, 0)));
        return made;
    }();
    return *dataSource;
}

}  // namespace fuzz

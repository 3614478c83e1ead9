// The plug-in's procedure object: the host hands it the splits of a run, and
// it reads each split's result document and makes that split's output.
#pragma once

#include <string>
#include <vector>

#include "CFProcCustom.h"

class NOPRProcCustom : public CFProcCustom {
public:
    NOPRProcCustom() = default;
    NOPRProcCustom(const NOPRProcCustom&) = default;
    NOPRProcCustom(BpProcedure* procedure, ProcedureDataSource* dataSource);
    NOPRProcCustom& operator=(const NOPRProcCustom&) = default;
    ~NOPRProcCustom() override;

    bool HostCheck(void* a, void* b) override;
    // Processes the splits in order and stops at the first one whose result
    // document cannot be read; true when every split was processed.
    bool ProcessSplits(std::vector<std::string>& vPMMLStr, std::vector<CFSplit*>& splits,
                       void* c) override;
    // Reads one split's result document; gives whether it could be read.
    bool ProcessSplit(std::string& text, CFSplit* split) override;
};

// The plug-in's one exported function: a new procedure object, owned by the
// host from then on, or null when it cannot be made.
extern "C" __attribute__((visibility("default"))) CFProcCustom* GetCFProcCustom();

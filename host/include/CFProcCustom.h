// Procedure host library: the base class of a procedure output plug-in, the
// split record the host hands it, the host's typed value and the small text
// functions that plug-ins use to read result documents.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SDOMXMLWrapper.h"

class BpProcedure;
class OBS;
class QUOR_DataSource;
class QUOR_Variable;

// The data source a procedure runs on. Plug-ins use it as a QUOR_DataSource.
class ProcedureDataSource;

// What a search of a split's document for the children of one element found
// (SDOMXMLFindChildren): whether they load apart, and where they lie.
struct CFFoundChildren {
    std::string path;
    std::string name;
    bool found = false;
    std::vector<SDOMXMLRange> ranges;
};

// One split of a run: the result document of that split, the split variables
// (indices into the data source) with the split's value of each, and whether
// every split's output stands under a heading of its own.
class CFSplit {
public:
    CFSplit() = default;
    CFSplit(std::string document, std::vector<int> variables, std::vector<const OBS*> values,
            bool splitHeadings);

    // The result document text. The host notes that the plug-in took it, so
    // that it can tell which split a failed run stopped at.
    const std::string& GetResultDocument() const;
    const std::vector<int>& GetSplitVariables() const { return fVariables; }
    const std::vector<const OBS*>& GetSplitValues() const { return fValues; }
    bool GetSplitHeadings() const { return fSplitHeadings; }

    // The plug-in has read the document and needs its text no more, so the
    // text is freed: a split's output can be larger than its document, and
    // the document need not stay beside it. Only a split whose read
    // succeeded is released; a failed one keeps its text for the host's
    // diagnosis of where it breaks.
    void ReleaseResultDocument();

    bool WasDocumentTaken() const { return fTaken; }
    // The text, for the host's own use (not noted as taken).
    const std::string& DocumentText() const { return fDocument; }

    // A search of the document that the host has made already (for its data
    // dictionary, before the split was made), kept so that the plug-in's
    // read of the same children need not search the text again; null when
    // none for that path and name is kept. The document does not change
    // while the split holds it; releasing it drops the search.
    const CFFoundChildren* FoundChildren(std::string_view path, std::string_view name) const;
    // Keeps the outcome of such a search. One whose ranges do not lie in the
    // text, in order, is not kept.
    void KeepFoundChildren(CFFoundChildren search);

private:
    std::string fDocument;
    std::shared_ptr<const CFFoundChildren> fFound;
    std::vector<int> fVariables;
    std::vector<const OBS*> fValues;
    bool fSplitHeadings = false;
    mutable bool fTaken = false;
};

// Base class of a procedure output plug-in. The first member is the output
// procedure, the second the data source. The virtual slots, in order:
// destructor, HostCheck, ProcessSplits, ProcessSplit.
class CFProcCustom {
public:
    CFProcCustom() = default;
    CFProcCustom(BpProcedure* procedure, ProcedureDataSource* dataSource);
    CFProcCustom(const CFProcCustom&) = default;
    CFProcCustom& operator=(const CFProcCustom&) = default;
    virtual ~CFProcCustom();

    virtual bool HostCheck(void* a, void* b);
    virtual bool ProcessSplits(std::vector<std::string>& vPMMLStr, std::vector<CFSplit*>& splits,
                               void* c);
    virtual bool ProcessSplit(std::string& text, CFSplit* split);

    // Called by the host after the factory made the object.
    void Attach(BpProcedure* procedure, ProcedureDataSource* dataSource);

protected:
    BpProcedure* fProcedure = nullptr;
    ProcedureDataSource* fDataSource = nullptr;
};

// The host's typed value of one variable: a number or a text, made from the
// text a result document writes for it.
class CFStatVariableValue {
public:
    CFStatVariableValue();
    CFStatVariableValue(const CFStatVariableValue&);
    CFStatVariableValue& operator=(const CFStatVariableValue&);
    ~CFStatVariableValue();

    // Makes the value from text as the variable stores it: a string variable
    // keeps the text, a numeric one reads the number (dates are moved to the
    // host's date scale, see NumericFormatCFToStat). Gives false, and no
    // value, without a variable.
    bool SetCompleteValue(const std::string& text, const QUOR_Variable* variable, int flags);

    // The value, or null when none was set.
    const OBS* GetObsValue() const;
    // The value as text: the string itself, or the number written in full.
    std::string GetStringValue() const;

private:
    OBS* fValue = nullptr;
};

// Moves a number from the result documents' scale to the host's scale for a
// variable of the given format type: day-based date formats are written in
// days since 1970-01-01 and become seconds since 1582-10-14; DATETIME is
// written in seconds since 1970-01-01 and is moved to the same origin; every
// other type keeps the number.
double NumericFormatCFToStat(double value, int formatType);
// Whether values of the format type are dates counted in days since
// 1970-01-01 as result documents write them (DATE, ADATE, EDATE, SDATE,
// JDATE, WKDAY, MOYR, QYR, WKYR).
bool IsDayBasedDate(int formatType);

// Splits text on blanks, tabs and line ends; a run of separators counts once.
std::vector<std::string> SplitToToken(std::string_view text);
// Reads a leading number as strtod does in the C locale; 0 for text that is no number.
double String2Double(std::string_view text);
// Reads a leading integer as strtol does in the C locale, clamped to the int
// range; 0 for text that is no number.
int String2Integer(std::string_view text);
std::string Integer2String(int value);

// A plug-in's internal consistency check that failed on the content of a
// document. The host collects these reports (they never stop the process);
// npar-report prints them as warnings.
void CFReportCheck(const char* expression, const char* unit, int line);
std::vector<std::string> CFTakeCheckReports();
// Why the plug-in could not read a split's document, in the user's words
// ("there is no PMMLModel element"), reported through the same channel when
// the read stops; the host names the split when it prints it. The last
// report before a take counts; a take gives the empty text when there was
// none, and clears it.
void CFReportReadFailure(const std::string& cause);
std::string CFTakeReadFailure();

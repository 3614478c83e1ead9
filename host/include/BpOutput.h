// Pivot-table output service: headings of the output outline, cell texts and
// error items, built into the host's output document.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace npar {
class Catalogue;
class OutputDocument;
struct OutputItem;
}  // namespace npar

// What a cell text needs to turn itself into final display text.
struct BpTextContext {
    const npar::Catalogue* catalogue = nullptr;
};

// A text of the output: a label, a title, a cell's content.
class BpCellText {
public:
    virtual ~BpCellText();
    // The final display text: translated where asked, arguments filled.
    virtual std::string Render(const BpTextContext& context) const = 0;
    virtual std::unique_ptr<BpCellText> Clone() const = 0;
};

// A plain text; with translate set, it is a key of the text catalogue.
class BpString : public BpCellText {
public:
    BpString(std::string text, bool translate);
    std::string Render(const BpTextContext& context) const override;
    std::unique_ptr<BpCellText> Clone() const override;

    const std::string& GetText() const { return fText; }
    bool GetTranslate() const { return fTranslate; }

private:
    std::string fText;
    bool fTranslate;
};

class BpProcedure;

// A heading of the output outline. Items made under it go into it; charts and
// errors go to the innermost heading whose object still lives. Deleting the
// object closes the heading; what it holds stays in the document.
class BpHeading {
public:
    virtual ~BpHeading();
    BpHeading(const BpHeading&) = delete;
    BpHeading& operator=(const BpHeading&) = delete;

    // A child heading labelled with text. The caller owns the object.
    BpHeading* Heading(const BpCellText& label);

    npar::OutputItem& Item() { return *fItem; }
    BpProcedure& Procedure() { return *fProcedure; }

protected:
    // A heading made under procedure, opened at once. The procedure's own root
    // heading passes null and binds itself afterwards.
    BpHeading(BpProcedure* procedure, npar::OutputItem* item);
    void BindRoot(BpProcedure* procedure) { fProcedure = procedure; }

private:
    BpProcedure* fProcedure;
    npar::OutputItem* fItem;
};

// The output procedure: the root of one run's output. While it lives it is the
// procedure that BpError reports to.
class BpProcedure : public BpHeading {
public:
    BpProcedure(npar::OutputDocument& document, const npar::Catalogue& catalogue);
    ~BpProcedure() override;

    const BpTextContext& TextContext() const { return fContext; }
    std::string Render(const BpCellText& text) const { return text.Render(fContext); }

    // The innermost heading still open: where charts and errors go.
    npar::OutputItem& CurrentItem();

private:
    friend class BpHeading;
    void Open(BpHeading* heading);
    void Close(BpHeading* heading);

    npar::OutputDocument& fDocument;
    BpTextContext fContext;
    std::vector<BpHeading*> fOpen;
};

enum BpErrorShow { BpErrorShowNever = 0, BpErrorShowOnce = 1, BpErrorShowAlways = 2 };
enum BpErrorLevel { BpErrorLevelNote = 0, BpErrorLevelWarning = 1, BpErrorLevelError = 2 };

// Adds an error item at the current position of the live procedure's output.
// Without a live procedure the text goes to standard error.
void BpError(const BpCellText& text, int show, int level);

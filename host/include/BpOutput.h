// Pivot-table output service: headings of the output outline, cell texts and
// error items, built into the host's output document.
#pragma once

#include <memory>
#include <string>
#include <vector>

class OBS;
class QUOR_DataSource;
class QUOR_Variable;

namespace npar {
class Catalogue;
class OutputDocument;
struct OutputItem;
struct TableModel;
struct TableNode;
struct TableDimension;
struct TableCell;
}  // namespace npar

// What a cell text needs to turn itself into final display text.
struct BpTextContext {
    const npar::Catalogue* catalogue = nullptr;
};

class BpCellText;
// A handle to a copy of a cell text, as annotations hold it.
using BpTextHandle = std::shared_ptr<const BpCellText>;

// A text of the output: a label, a title, a cell's content.
class BpCellText {
public:
    virtual ~BpCellText();
    // The final display text: translated where asked, arguments filled.
    virtual std::string Render(const BpTextContext& context) const = 0;
    virtual std::unique_ptr<BpCellText> Clone() const = 0;
    // The number a numeric cell holds; false for text and the missing value.
    virtual bool GetValue(double& value) const;
    // A handle to a copy of this text.
    BpTextHandle Replicate() const;
};

// How a number is shown. The procedure hands these out (Count, Significance, ...).
struct BpFormatSpec {
    enum Kind {
        Count,
        Significance,
        Percent,
        Proportion,
        Coefficient,
        Decimals,
        Statistic,
        SignificanceAbove
    };
    Kind kind = Coefficient;
    int decimals = 3;  // for Decimals and Statistic
};

// A number in a format; the system-missing value shows as ".".
class BpNumber : public BpCellText {
public:
    BpNumber(double value, BpFormatSpec format);
    std::string Render(const BpTextContext& context) const override;
    std::unique_ptr<BpCellText> Clone() const override;
    bool GetValue(double& value) const override;

private:
    double fValue;
    BpFormatSpec fFormat;
};

// A variable, shown by its label (or its name when it has none).
class BpVariable : public BpCellText {
public:
    BpVariable(const QUOR_Variable* variable, int show);
    std::string Render(const BpTextContext& context) const override;
    std::unique_ptr<BpCellText> Clone() const override;

private:
    const QUOR_Variable* fVariable;
    int fShow;
};

// A value of a variable, shown by its value label when it has one, else as the
// variable's print format writes it.
class BpDataValue : public BpCellText {
public:
    BpDataValue(const QUOR_Variable* variable, double value, int preference);
    BpDataValue(const QUOR_Variable* variable, const OBS& value, int preference);
    BpDataValue(const QUOR_Variable* variable, const std::string& text, int preference);
    BpDataValue(const BpDataValue&);
    ~BpDataValue() override;
    std::string Render(const BpTextContext& context) const override;
    std::unique_ptr<BpCellText> Clone() const override;

private:
    const QUOR_Variable* fVariable;
    std::unique_ptr<OBS> fValue;
    int fPreference;
};

// A pattern whose arguments ^1, ^2, ... take the added texts in order. Texts
// added between Sublist and EndSublist fill one argument as a list, which the
// pattern writes with the list form [FIRST:REST]N, or joined by ", " under ^N.
class BpComposite : public BpCellText {
public:
    BpComposite(std::string pattern, bool translate);
    BpComposite(const BpComposite&);
    ~BpComposite() override;

    void Add(const BpCellText& text);
    void Sublist();
    void EndSublist();
    void Finish();

    std::string Render(const BpTextContext& context) const override;
    std::unique_ptr<BpCellText> Clone() const override;

private:
    struct Argument;
    std::string fPattern;
    bool fTranslate;
    std::vector<std::shared_ptr<Argument>> fArguments;
    bool fInSublist = false;
};

// Writes a composite pattern with its arguments rendered: each argument is a
// list of texts (one text for a plain argument, several for a sublist).
std::string FillPattern(const std::string& pattern,
                        const std::vector<std::vector<std::string>>& arguments);

// A footnote: the text handle, a second handle (unused, -1) and a flag (unused).
class BpAnnotation {
public:
    BpAnnotation(BpTextHandle text, int second, bool flag);
    const BpCellText* Text() const { return fText.get(); }
    int Second() const { return fSecond; }
    bool Flag() const { return fFlag; }

private:
    BpTextHandle fText;
    int fSecond;
    bool fFlag;
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
class BpPivotTable;

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
    // A new table under this heading, titled with title; identifier names the
    // kind of table. The caller owns the object; the table stays in the output.
    BpPivotTable* PivotTable(const BpCellText& title, const BpCellText& identifier, bool flag);
    // A paragraph of text under this heading; role says what it is for
    // ("results" for a test's results line).
    void Text(const BpCellText& text, const std::string& role);

    npar::OutputItem& Item() { return *fItem; }
    BpProcedure& Procedure() { return *fProcedure; }

protected:
    // A heading made under procedure, opened at once; top is the top-level
    // item it lies in (itself at the top). The procedure's own root heading
    // passes null and binds itself afterwards.
    BpHeading(BpProcedure* procedure, npar::OutputItem* item, const npar::OutputItem* top);
    void BindRoot(BpProcedure* procedure) { fProcedure = procedure; }

private:
    friend class BpProcedure;
    // The top-level item an item added under this heading lies in.
    const npar::OutputItem* TopOf(const npar::OutputItem& added) const;

    BpProcedure* fProcedure;
    npar::OutputItem* fItem;
    const npar::OutputItem* fTop;  // null for the procedure's root
};

// The output procedure: the root of one run's output. While it lives it is the
// procedure that BpError reports to.
class BpProcedure : public BpHeading {
public:
    BpProcedure(npar::OutputDocument& document, const npar::Catalogue& catalogue);
    ~BpProcedure() override;

    const BpTextContext& TextContext() const { return fContext; }
    std::string Render(const BpCellText& text) const { return text.Render(fContext); }

    // The data source StdDev formats are looked up in; may be null.
    void SetDataSource(const QUOR_DataSource* dataSource) { fDataSource = dataSource; }

    // Number formats.
    BpFormatSpec Count() const { return {BpFormatSpec::Count, 0}; }
    BpFormatSpec Significance() const { return {BpFormatSpec::Significance, 3}; }
    BpFormatSpec Percent() const { return {BpFormatSpec::Percent, 0}; }
    BpFormatSpec Proportion() const { return {BpFormatSpec::Proportion, 2}; }
    BpFormatSpec Coefficient() const { return {BpFormatSpec::Coefficient, 3}; }
    // A statistic shown beside significances: their three decimals without
    // the leading zero, but never the "<.001" bound that only a significance
    // may take.
    BpFormatSpec Statistic() const { return {BpFormatSpec::Statistic, 3}; }
    // A significance known only as a lower bound: the significance's form with
    // ">" before it (0.2 writes ">.200"); the cell's value stays the number.
    BpFormatSpec SignificanceAbove() const { return {BpFormatSpec::SignificanceAbove, 3}; }
    // A measure that cannot exceed 1 in size, as papers write it: two
    // decimals without the leading zero (".50").
    BpFormatSpec BoundedMeasure() const { return {BpFormatSpec::Statistic, 2}; }
    // A whole number when value is whole, else three decimals.
    BpFormatSpec CountOrCoefficent(double value) const;
    // The decimals of the variable's print format plus one.
    BpFormatSpec StdDev(int variableIndex) const;

    // The innermost heading still open: where charts and errors go.
    npar::OutputItem& CurrentItem();
    // Adds a finished item (a chart, an error) at the current item.
    void AddAtCurrent(std::unique_ptr<npar::OutputItem> item);
    // Whether a chart sent to this output keeps its document's XML.
    bool KeepsChartDocuments() const;

private:
    friend class BpHeading;
    friend class BpPivotTable;
    void Open(BpHeading* heading);
    void Close(BpHeading* heading);
    // A live heading or table object holds the top-level item it lies in:
    // while one does, the item may still grow and is not handed to a
    // streaming writer.
    void Hold(const npar::OutputItem* top);
    void Release(const npar::OutputItem* top);
    void HandOverFinished();

    npar::OutputDocument& fDocument;
    BpTextContext fContext;
    const QUOR_DataSource* fDataSource = nullptr;
    std::vector<BpHeading*> fOpen;
    std::vector<const npar::OutputItem*> fHeld;  // once per live object holding it
};

enum BpErrorShow { BpErrorShowNever = 0, BpErrorShowOnce = 1, BpErrorShowAlways = 2 };
enum BpErrorLevel { BpErrorLevelNote = 0, BpErrorLevelWarning = 1, BpErrorLevelError = 2 };

// Adds an error item at the current position of the live procedure's output.
// Without a live procedure the text goes to standard error.
void BpError(const BpCellText& text, int show, int level);

// The live procedure (the one made last, while it lives), or null: charts and
// errors are added at its current item.
BpProcedure* BpLiveProcedure();

// ---------------------------------------------------------------------------
// Pivot tables
// ---------------------------------------------------------------------------

class BpCategory;

// A group of a dimension's tree (a dimension is the outermost group).
// Asking again for a label that exists under the same parent gives back that
// group or category. The table owns every group and category object.
class BpGroup {
public:
    virtual ~BpGroup();
    BpGroup* Group(const BpCellText& label, bool flag, int sort);
    BpCategory* Category(const BpCellText& label);
    // A footnote on the group's label.
    void Note(const BpAnnotation& note);

protected:
    friend class BpPivotTable;
    BpGroup(BpPivotTable* table, npar::TableDimension* dimension, npar::TableNode* node);

    BpPivotTable* fTable;
    npar::TableDimension* fDimension;
    npar::TableNode* fNode;
};

class BpDimension : public BpGroup {
public:
    enum Place { Row = 0, Column = 1 };
    void Position(int place, int number, bool flag1, bool flag2);

private:
    friend class BpPivotTable;
    using BpGroup::BpGroup;
};

class BpCategory {
public:
    // Sets the cell where this category meets the categories asked for last
    // in the other dimensions; a second call replaces the first.
    void Cell(const BpCellText& text);
    void CellNote(const BpAnnotation& note);
    // A footnote on the category's label.
    void Note(const BpAnnotation& note);

private:
    friend class BpGroup;
    BpCategory(BpPivotTable* table, npar::TableDimension* dimension, npar::TableNode* node);
    npar::TableCell& CurrentCell();

    BpPivotTable* fTable;
    npar::TableDimension* fDimension;
    npar::TableNode* fNode;
};

class BpPivotTable {
public:
    ~BpPivotTable();
    BpPivotTable(const BpPivotTable&) = delete;
    BpPivotTable& operator=(const BpPivotTable&) = delete;

    void MinDataColumnWidth(int width);
    void MaxDataColumnWidth(int width);
    void Caption(const BpCellText& caption);
    // A footnote on the table.
    void Note(const BpAnnotation& note);
    BpDimension* Dimension(const BpCellText& title, int sort);

    npar::TableModel& Model() { return *fModel; }

private:
    friend class BpHeading;
    friend class BpGroup;
    friend class BpCategory;
    BpPivotTable(BpProcedure* procedure, npar::TableModel* model, const npar::OutputItem* top);
    int NoteIndex(const BpAnnotation& note);
    template <class Handle>
    Handle* Keep(std::unique_ptr<Handle> handle);

    BpProcedure* fProcedure;
    npar::TableModel* fModel;
    const npar::OutputItem* fTop;  // the top-level item the table lies in
    std::vector<std::unique_ptr<BpGroup>> fGroups;
    std::vector<std::unique_ptr<BpCategory>> fCategories;
};

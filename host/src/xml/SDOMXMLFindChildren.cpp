// Finding one element's children in a document's text without a DOM, so that
// they can be loaded one at a time.
//
// The scan reads markup the way the DOM's parser (pugixml, with the options
// SDOMXMLWrapper::LoadFromString uses) reads it, but accepts only a plain
// subset: whatever it does not know exactly gives "cannot find", and the
// document is then loaded whole, as it always could be. Within that subset it
// also checks everything the parser would refuse, up to the end of the
// element whose children it finds, so that each child found parses on its own
// and a reader that has begun to read the children never meets one that does
// not.
#include <algorithm>
#include <cstring>
#include <functional>

#include "SDOMXMLWrapper.h"

namespace {

// Character classes, looked up by byte: the scan visits every byte of every
// tag name and attribute, so each test is one load.
enum : unsigned char { kSpace = 1, kNameStart = 2, kNameChar = 4 };

struct CharClasses {
    unsigned char of[256] = {};
    constexpr CharClasses() {
        // The parser's whitespace.
        for (const char c : {' ', '\t', '\n', '\r'}) of[static_cast<unsigned char>(c)] = kSpace;
        // Name characters, ASCII only: the parser takes any byte from 0x80 up
        // as a name character too, which this scan leaves to a whole load.
        for (int c = 'A'; c <= 'Z'; ++c) of[c] = kNameStart | kNameChar;
        for (int c = 'a'; c <= 'z'; ++c) of[c] = kNameStart | kNameChar;
        for (const char c : {'_', ':'}) of[static_cast<unsigned char>(c)] = kNameStart | kNameChar;
        for (int c = '0'; c <= '9'; ++c) of[c] = kNameChar;
        for (const char c : {'-', '.'}) of[static_cast<unsigned char>(c)] = kNameChar;
    }
};
constexpr CharClasses kClasses;

bool Is(char c, unsigned char classes) { return kClasses.of[static_cast<unsigned char>(c)] & classes; }
bool IsSpace(char c) { return Is(c, kSpace); }
bool IsNameStart(char c) { return Is(c, kNameStart); }

bool AllSpace(std::string_view text) { return std::all_of(text.begin(), text.end(), IsSpace); }

class Scan {
public:
    using OnChild = std::function<void(const std::vector<SDOMXMLRange>&)>;

    Scan(std::string_view text, std::string_view path, std::string_view name,
         std::vector<SDOMXMLRange>& ranges, const OnChild* onChild)
        : fText(text), fChildName(name), fRanges(ranges), fOnChild(onChild) {
        for (size_t start = 0; start <= path.size();) {
            const size_t slash = std::min(path.find('/', start), path.size());
            fPath.push_back(path.substr(start, slash - start));
            start = slash + 1;
        }
    }

    // True when the children were found and may be loaded apart.
    bool Find() {
        for (std::string_view step : fPath) {
            if (step.empty()) return false;
        }
        if (fChildName.empty()) return false;
        // The parser ends the text at a NUL byte.
        if (fText.empty() || std::memchr(fText.data(), '\0', fText.size())) return false;
        if (fText.substr(0, 3) == "\xEF\xBB\xBF") fPos = 3;
        fAfterMarkup = fPos;
        while (!fDone) {
            const size_t lt = fText.find('<', fPos);
            if (lt == std::string_view::npos) return false;  // the element never ends
            // Text outside the root element is left to a whole load.
            if (fOpen.empty() && !AllSpace(fText.substr(fPos, lt - fPos))) return false;
            fPos = lt;
            if (!Markup()) return false;
            fAfterMarkup = fPos;
        }
        return fFound;
    }

private:
    // Where the scan stands towards the run of wanted children.
    enum class Stage { kBefore, kIn, kAfter };

    char At(size_t i) const { return i < fText.size() ? fText[i] : '\0'; }

    // Moves past the first terminator from fPos on; false when there is none.
    bool SkipPast(std::string_view terminator) {
        const size_t at = fText.find(terminator, fPos);
        if (at == std::string_view::npos) return false;
        fPos = at + terminator.size();
        return true;
    }

    // Moves past the run of characters of the classes from fPos on.
    void SkipAll(unsigned char classes) {
        const char* const text = fText.data();
        const size_t size = fText.size();
        size_t pos = fPos;
        while (pos < size && Is(text[pos], classes)) ++pos;
        fPos = pos;
    }

    std::string_view Name() {
        const size_t start = fPos;
        if (!IsNameStart(At(fPos))) return {};
        SkipAll(kNameChar);
        return fText.substr(start, fPos - start);
    }

    void SkipSpace() { SkipAll(kSpace); }

    // Whether the wanted element is the innermost open one: markup then is
    // one of its children (or its end tag) and decides the run of children.
    bool AtChildLevel() const { return fMatched == fPath.size() && fOpen.size() == fPath.size() + 1; }

    // The text from the end of the last markup to lt.
    std::string_view TextBefore(size_t lt) const {
        return fText.substr(fAfterMarkup, lt - fAfterMarkup);
    }

    // Markup at lt that is no wanted child. At the level of the children it
    // ends the run of them, if one has begun, after at most whitespace.
    bool OtherMarkup(size_t lt) {
        if (!AtChildLevel() || fStage != Stage::kIn) return true;
        fStage = Stage::kAfter;
        return AllSpace(TextBefore(lt));
    }

    // One piece of markup at fPos ('<'); moves past it.
    bool Markup() {
        const size_t lt = fPos;
        const char second = At(lt + 1);
        if (second != '/' && second != '?' && second != '!') return StartTag(lt);
        const std::string_view rest = fText.substr(lt);
        if (second == '/') return EndTag(lt);
        if (rest.substr(0, 2) == "<?") {
            // A processing instruction or the XML declaration: not kept.
            if (!IsNameStart(At(lt + 2))) return false;
            fPos = lt + 3;
            return SkipPast("?>") && OtherMarkup(lt);
        }
        if (rest.substr(0, 4) == "<!--") {
            fPos = lt + 4;
            return SkipPast("-->") && OtherMarkup(lt);
        }
        if (rest.substr(0, 9) == "<![CDATA[" && !fOpen.empty()) {
            fPos = lt + 9;
            return SkipPast("]]>") && OtherMarkup(lt);
        }
        if (rest.substr(0, 2) == "<!") return false;  // a DOCTYPE, or nothing the parser knows
        return StartTag(lt);
    }

    bool StartTag(size_t lt) {
        ++fPos;
        const std::string_view name = Name();
        if (name.empty()) return false;
        bool empty = false;
        for (bool attributes = true; attributes;) {
            const char c = At(fPos);
            if (c == '>') {
                ++fPos;
                attributes = false;
            } else if (c == '/') {
                if (At(fPos + 1) != '>') return false;
                fPos += 2;
                empty = true;
                attributes = false;
            } else if (IsSpace(c)) {
                SkipSpace();
                if (IsNameStart(At(fPos)) && !Attribute()) return false;
            } else {
                return false;
            }
        }

        if (AtChildLevel() && name == fChildName) {
            if (fStage == Stage::kAfter || !AllSpace(TextBefore(lt))) return false;
            fStage = Stage::kIn;
            fRanges.push_back({lt, lt});
            fInChild = true;
        } else if (!OtherMarkup(lt)) {
            return false;
        }
        // The element continues the path when it is the first of its name
        // below the last element matched: an earlier one would have matched.
        if (fMatched < fPath.size() && fOpen.size() == fMatched + 1 && name == fPath[fMatched])
            ++fMatched;
        fOpen.push_back(name);
        return !empty || Close();
    }

    // name = "value" or 'value', at fPos (a name character); moves past it.
    bool Attribute() {
        Name();
        SkipSpace();
        if (At(fPos) != '=') return false;
        ++fPos;
        SkipSpace();
        const char quote = At(fPos);
        if (quote != '"' && quote != '\'') return false;
        const size_t close = fText.find(quote, fPos + 1);
        if (close == std::string_view::npos) return false;
        fPos = close + 1;
        // The parser takes no name straight after a value.
        const char after = At(fPos);
        return IsSpace(after) || after == '/' || after == '>';
    }

    // The end tag must name the innermost open element: its name stands at
    // fPos, and no name character follows it.
    bool EndTag(size_t lt) {
        fPos += 2;
        if (fOpen.empty()) return false;
        const std::string_view open = fOpen.back();
        if (fText.compare(fPos, open.size(), open) != 0 || Is(At(fPos + open.size()), kNameChar))
            return false;
        fPos += open.size();
        SkipSpace();
        if (At(fPos) != '>') return false;
        ++fPos;
        return OtherMarkup(lt) && Close();
    }

    // The innermost open element has ended just before fPos.
    bool Close() {
        const size_t depth = fOpen.size() - 1;  // of the element that ends; the root's is 0
        fOpen.pop_back();
        if (fInChild && depth == fPath.size() + 1) {
            fRanges.back().end = fPos;
            fInChild = false;
            if (fOnChild) (*fOnChild)(fRanges);
        } else if (depth <= fMatched) {
            // An element of the path ends: the wanted element, whose children
            // are then all known, or one on the way, and then the path does
            // not go on below it (only the first match counts).
            fFound = depth == fPath.size() && !fRanges.empty();
            fDone = true;
        }
        return true;
    }

    std::string_view fText;
    std::string_view fChildName;
    std::vector<std::string_view> fPath;
    std::vector<SDOMXMLRange>& fRanges;
    const OnChild* fOnChild;              // told of each child as it ends; may be null
    std::vector<std::string_view> fOpen;  // names of the open elements, the root first
    size_t fMatched = 0;                  // steps of the path matched by open elements
    size_t fPos = 0;
    size_t fAfterMarkup = 0;  // just after the last markup, where the text before fPos begins
    Stage fStage = Stage::kBefore;
    bool fInChild = false;  // within a wanted child
    bool fDone = false;
    bool fFound = false;
};

}  // namespace

bool SDOMXMLFindChildren(std::string_view text, std::string_view path, std::string_view name,
                         std::vector<SDOMXMLRange>& ranges) {
    return SDOMXMLFindChildren(text, path, name, ranges, nullptr);
}

bool SDOMXMLFindChildren(std::string_view text, std::string_view path, std::string_view name,
                         std::vector<SDOMXMLRange>& ranges,
                         const std::function<void(const std::vector<SDOMXMLRange>& ranges)>& found) {
    ranges.clear();
    if (!Scan(text, path, name, ranges, found ? &found : nullptr).Find()) {
        ranges.clear();
        return false;
    }
    return true;
}

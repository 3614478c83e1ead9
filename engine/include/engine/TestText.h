// A test specification as the user writes it:
//
//   TEST FIELD... [by GROUP] [KEY=VALUE...]
//
// the test's name, the fields it tests (blanks or commas between; a name with
// blanks in double quotes), the grouping field after "by", options last. An
// option's value may be a list (commas between; an item with commas or blanks
// in double quotes).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace npar::engine {

// A request that cannot be run: an unknown test, variable or option, a
// malformed specification, a field the test cannot take, unreadable data.
// The message names what is wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SpecOption {
    std::string key;                 // lower case
    std::string value;               // as written, quotes removed
    std::vector<std::string> items;  // the value split at its unquoted commas
};

struct TestSpec {
    std::string text;  // the specification as written, for messages
    std::string name;  // the test's name, lower case
    std::vector<std::string> fields;
    std::string group;  // after "by"; empty without one
    bool hasGroup = false;
    std::vector<SpecOption> options;

    const SpecOption* Option(const std::string& key) const;
};

// Parses one specification. Throws UsageError naming the fault.
TestSpec ParseTestSpec(const std::string& text);

// The order of a text variable's values as --order gives it:
// VAR=V1,V2,... (a name or value with commas or "=" in double quotes; blanks
// around a value dropped).
struct CategoryOrderSpec {
    std::string variable;
    std::vector<std::string> values;
};
// Parses one order. Throws UsageError naming the fault.
CategoryOrderSpec ParseCategoryOrder(const std::string& text);

}  // namespace npar::engine

// JSON values of Vega-Lite specifications: construction from braced lists,
// copies and moves, members and elements.
#include "render/JsonValue.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace npar {
namespace render {
namespace json_storage {
namespace {

// Sizes are rounded up to a multiple of kGranule; blocks of up to kClasses
// granules are kept, at most kKeptPerSize of each size.
constexpr size_t kGranule = 16;
constexpr size_t kClasses = 64;
constexpr size_t kKeptPerSize = 512;

// Under AddressSanitizer every block goes back to the allocator, so that a
// use after free is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeep = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kKeep = false;
#else
constexpr bool kKeep = true;
#endif
#else
constexpr bool kKeep = true;
#endif

struct FreeBlock {
    FreeBlock* next;
};

struct Kept {
    FreeBlock* first[kClasses] = {};
    size_t count[kClasses] = {};

    ~Kept();
};

// Set once the thread's lists are gone (values freed later, such as
// statics at exit, go straight back to the allocator).
// (Initial-exec: the library is loaded with the program, so that its
// thread-local storage is at a fixed offset and reached without a call.)
__attribute__((tls_model("initial-exec"))) thread_local bool tGone = false;
__attribute__((tls_model("initial-exec"))) thread_local Kept tKept;

Kept::~Kept() {
    tGone = true;
    for (size_t size = 0; size < kClasses; ++size) {
        while (FreeBlock* block = first[size]) {
            first[size] = block->next;
            ::operator delete(block);
        }
        count[size] = 0;
    }
}

// The size class of a block of bytes (kClasses and above: not kept).
size_t SizeClass(size_t bytes) { return bytes == 0 ? 0 : (bytes - 1) / kGranule; }

}  // namespace

void* Allocate(size_t bytes) {
    const size_t size = SizeClass(bytes);
    if (!kKeep || size >= kClasses || tGone) return ::operator new(bytes);
    Kept& kept = tKept;
    if (FreeBlock* block = kept.first[size]) {
        kept.first[size] = block->next;
        --kept.count[size];
        return block;
    }
    return ::operator new((size + 1) * kGranule);
}

void Free(void* block, size_t bytes) noexcept {
    const size_t size = SizeClass(bytes);
    if (!kKeep || size >= kClasses || tGone) {
        ::operator delete(block);
        return;
    }
    Kept& kept = tKept;
    if (kept.count[size] >= kKeptPerSize) {
        ::operator delete(block);
        return;
    }
    FreeBlock* freed = static_cast<FreeBlock*>(block);
    freed->next = kept.first[size];
    kept.first[size] = freed;
    ++kept.count[size];
}

size_t KeptBlocks() noexcept {
    if (!kKeep || tGone) return 0;
    size_t total = 0;
    for (size_t size = 0; size < kClasses; ++size) total += tKept.count[size];
    return total;
}

}  // namespace json_storage

Json::Json(std::initializer_list<JsonRef> list) {
    const bool object =
        std::all_of(list.begin(), list.end(), [](const JsonRef& element) { return element.IsMember(); });
    if (object) {
        fType = value_t::object;
        new (&fObject) Object();
        fObject.reserve(list.size());
        for (const JsonRef& element : list) {
            std::string& name = element.Name();
            // As with an object's emplace, the first member of a name stays.
            if (Find(name)) continue;
            // The member is made in place and its name and value moved in.
            Member& member = fObject.emplace_back();
            member.name = std::move(name);
            element.MoveMemberValueTo(member.member);
        }
    } else {
        fType = value_t::array;
        new (&fArray) Array();
        fArray.reserve(list.size());
        for (const JsonRef& element : list) element.MoveTo(fArray.emplace_back());
    }
}

Json::Json(const Json& other) : fType(other.fType) {
    switch (fType) {
        case value_t::string:
            new (&fString) std::string(other.fString);
            break;
        case value_t::array:
            new (&fArray) Array(other.fArray);
            break;
        case value_t::object:
            new (&fObject) Object(other.fObject);
            break;
        default:
            CopyScalar(other);
            break;
    }
}

Json Json::array(std::initializer_list<JsonRef> list) {
    Json value;
    value.fType = value_t::array;
    new (&value.fArray) Array();
    value.fArray.reserve(list.size());
    for (const JsonRef& element : list) element.MoveTo(value.fArray.emplace_back());
    return value;
}

Json Json::object(std::initializer_list<JsonRef> list) {
    for (const JsonRef& element : list) {
        if (!element.IsMember()) throw std::invalid_argument("an object is made of [name, value] pairs");
    }
    if (list.size() == 0) {
        Json value;
        value.Become(value_t::object, "an object");
        return value;
    }
    return Json(list);
}

void Json::ThrowType(const char* expected) {
    throw std::domain_error(std::string("the JSON value is not ") + expected);
}

void Json::Become(value_t type, const char* what) {
    if (fType == type) return;
    if (fType != value_t::null) ThrowType(what);
    fType = type;
    if (type == value_t::object)
        new (&fObject) Object();
    else
        new (&fArray) Array();
}

const Json* Json::Find(std::string_view key) const {
    if (fType != value_t::object) return nullptr;
    // Names are short, and those of one object mostly differ in length or
    // in their last letters (rows name their values "_p0", "_p1", ...):
    // they are compared from the end, in place.
    const size_t size = key.size();
    const char* const wanted = key.data();
    for (const Member& member : fObject) {
        const std::string& name = member.name;
        if (name.size() != size) continue;
        const char* const text = name.data();
        size_t i = size;
        while (i > 0 && text[i - 1] == wanted[i - 1]) --i;
        if (i == 0) return &member.member;
    }
    return nullptr;
}

Json& Json::operator[](std::string_view key) {
    Become(value_t::object, "an object");
    if (const Json* found = Find(key)) return const_cast<Json&>(*found);
    // Objects filled member by member start with room for several.
    if (fObject.capacity() == 0) fObject.reserve(8);
    return fObject.emplace_back(key).member;
}

Json& Json::Element(size_t index) {
    Become(value_t::array, "an array");
    if (index >= fArray.size()) fArray.resize(index + 1);
    return fArray[index];
}

const Json& Json::operator[](std::string_view key) const {
    static const Json kNull;
    if (fType != value_t::object) ThrowType("an object");
    const Json* found = Find(key);
    return found ? *found : kNull;
}

const Json& Json::Element(size_t index) const {
    if (fType != value_t::array) ThrowType("an array");
    if (index >= fArray.size()) throw std::out_of_range("no such element of the JSON array");
    return fArray[index];
}

size_t Json::erase(std::string_view key) {
    if (fType != value_t::object) ThrowType("an object");
    const auto found = std::find_if(fObject.begin(), fObject.end(),
                                    [key](const Member& member) { return member.name == key; });
    if (found == fObject.end()) return 0;
    fObject.erase(found);
    return 1;
}

void Json::push_back(Json value) {
    Become(value_t::array, "an array");
    fArray.push_back(std::move(value));
}

void Json::push_back(std::initializer_list<JsonRef> list) {
    const JsonRef* name = list.begin();
    if (fType == value_t::object && list.size() == 2 && !name->fNested && name->fValue.is_string()) {
        std::string& key = name->fValue.fString;
        if (Find(key)) return;
        Member& member = fObject.emplace_back();
        member.name = std::move(key);
        (list.begin() + 1)->MoveTo(member.member);
        return;
    }
    push_back(Json(list));
}

size_t Json::size() const {
    switch (fType) {
        case value_t::null:
            return 0;
        case value_t::array:
            return fArray.size();
        case value_t::object:
            return fObject.size();
        default:
            return 1;
    }
}

Json::Members<Json::Member> Json::items() {
    if (fType != value_t::object) return {};
    return {fObject.data(), fObject.data() + fObject.size()};
}

Json::Members<const Json::Member> Json::items() const {
    if (fType != value_t::object) return {};
    return {fObject.data(), fObject.data() + fObject.size()};
}

bool operator==(const Json& a, const Json& b) {
    using value_t = Json::value_t;
    if (a.is_number() && b.is_number()) {
        if (a.fType == b.fType) {
            if (a.fType == value_t::number_integer) return a.fInteger == b.fInteger;
            if (a.fType == value_t::number_unsigned) return a.fUnsigned == b.fUnsigned;
        }
        return a.get<double>() == b.get<double>();
    }
    if (a.fType != b.fType) return false;
    switch (a.fType) {
        case value_t::null:
            return true;
        case value_t::boolean:
            return a.fBoolean == b.fBoolean;
        case value_t::string:
            return a.fString == b.fString;
        case value_t::array:
            return a.fArray == b.fArray;
        case value_t::object:
            return std::equal(a.fObject.begin(), a.fObject.end(), b.fObject.begin(), b.fObject.end(),
                              [](const Json::Member& x, const Json::Member& y) {
                                  return x.name == y.name && x.member == y.member;
                              });
        default:
            return false;
    }
}

}  // namespace render
}  // namespace npar

// The JSON values the renderer builds its Vega-Lite specifications from: null,
// booleans, numbers (whole numbers kept apart from others, as they are
// written differently), texts, arrays and objects whose members keep the
// order they were added in. A value holds its text or container in itself,
// and a braced list of values is read in place, so that building a row of
// data takes one allocation and no temporary values. The interface follows
// nlohmann::ordered_json where the renderer uses it (braced lists of
// [name, value] pairs make objects, operator[] adds a member, a moved-from
// value is null), and so do the results. JsonStream writes a value out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace npar {
namespace render {

class JsonRef;

// The storage of arrays' and objects' elements. A specification is made of
// many small containers that are built, written and freed chart after
// chart: freed blocks are kept on per-thread lists by size (up to 1 KiB, a
// bounded number of each) and handed out again, which costs less than the
// general allocator's bins. Larger blocks come from operator new directly.
namespace json_storage {
void* Allocate(size_t bytes);
void Free(void* block, size_t bytes) noexcept;
// Blocks kept for reuse by this thread, all sizes together (for tests).
size_t KeptBlocks() noexcept;
}  // namespace json_storage

template <typename T>
struct JsonAllocator {
    using value_type = T;
    JsonAllocator() noexcept = default;
    template <typename U>
    JsonAllocator(const JsonAllocator<U>&) noexcept {}
    T* allocate(size_t count) {
        if (count > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(json_storage::Allocate(count * sizeof(T)));
    }
    void deallocate(T* block, size_t count) noexcept { json_storage::Free(block, count * sizeof(T)); }
    friend bool operator==(const JsonAllocator&, const JsonAllocator&) noexcept { return true; }
    friend bool operator!=(const JsonAllocator&, const JsonAllocator&) noexcept { return false; }
};

class Json {
public:
    enum class value_t : unsigned char {
        null,
        object,
        array,
        string,
        boolean,
        number_integer,
        number_unsigned,
        number_float
    };
    struct Member;
    using Array = std::vector<Json, JsonAllocator<Json>>;
    using Object = std::vector<Member, JsonAllocator<Member>>;

    Json() noexcept {}
    Json(std::nullptr_t) noexcept {}
    template <typename T, std::enable_if_t<std::is_same_v<T, bool>, int> = 0>
    Json(T value) noexcept : fType(value_t::boolean), fBoolean(value) {}
    template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
    Json(T value) noexcept {
        if constexpr (std::is_signed_v<T>) {
            fType = value_t::number_integer;
            fInteger = value;
        } else {
            fType = value_t::number_unsigned;
            fUnsigned = value;
        }
    }
    template <typename T, std::enable_if_t<std::is_floating_point_v<T>, int> = 0>
    Json(T value) noexcept : fType(value_t::number_float), fFloat(static_cast<double>(value)) {}
    Json(const char* text) : fType(value_t::string), fString(text) {}
    Json(std::string text) noexcept : fType(value_t::string), fString(std::move(text)) {}
    Json(std::string_view text) : fType(value_t::string), fString(text) {}
    template <typename T, std::enable_if_t<std::is_constructible_v<Json, const T&>, int> = 0>
    Json(const std::vector<T>& values) : fType(value_t::array), fArray() {
        fArray.reserve(values.size());
        for (const T& value : values) fArray.emplace_back(value);
    }
    // An object when every element is a [text, value] pair, else an array.
    Json(std::initializer_list<JsonRef> list);
    Json(const Json& other);
    inline Json(Json&& other) noexcept;
    inline Json& operator=(Json other) noexcept;
    ~Json() { Destroy(); }

    static Json array(std::initializer_list<JsonRef> list = {});
    // Throws when an element is not a [text, value] pair.
    static Json object(std::initializer_list<JsonRef> list = {});
    // An object of the members given as name, value, name, value, ..., in
    // that order, made in place: a braced list makes a temporary of every
    // name and value first, which costs several times the object itself in
    // the rows of data a chart has thousands of.
    template <typename... NamesAndValues>
    static Json MakeObject(NamesAndValues&&... namesAndValues) {
        static_assert(sizeof...(NamesAndValues) % 2 == 0, "a value for every name");
        Json value;
        value.fType = value_t::object;
        new (&value.fObject) Object();
        value.fObject.reserve(sizeof...(NamesAndValues) / 2);
        value.AddMembers(std::forward<NamesAndValues>(namesAndValues)...);
        return value;
    }

    value_t type() const { return fType; }
    bool is_null() const { return fType == value_t::null; }
    bool is_boolean() const { return fType == value_t::boolean; }
    bool is_number() const {
        return fType == value_t::number_integer || fType == value_t::number_unsigned ||
               fType == value_t::number_float;
    }
    bool is_string() const { return fType == value_t::string; }
    bool is_array() const { return fType == value_t::array; }
    bool is_object() const { return fType == value_t::object; }

    // Members and elements: null becomes an object or an array on the first.
    // A missing member is added as null; an index past the end extends the array.
    Json& operator[](std::string_view key);
    Json& operator[](const char* key) { return (*this)[std::string_view(key)]; }
    Json& operator[](const std::string& key) { return (*this)[std::string_view(key)]; }
    template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    Json& operator[](T index) {
        return Element(static_cast<size_t>(index));
    }
    // Reading: a missing member is null; an index out of range or of a value
    // that is not an array throws.
    const Json& operator[](std::string_view key) const;
    const Json& operator[](const char* key) const { return (*this)[std::string_view(key)]; }
    const Json& operator[](const std::string& key) const { return (*this)[std::string_view(key)]; }
    template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    const Json& operator[](T index) const {
        return Element(static_cast<size_t>(index));
    }

    bool contains(std::string_view key) const { return Find(key) != nullptr; }
    // Removes the member named key; the number removed.
    size_t erase(std::string_view key);
    void push_back(Json value);
    // To an object, a [text, value] pair adds a member (as a braced pair
    // does); else the list is one value.
    void push_back(std::initializer_list<JsonRef> list);

    // Elements of an array, members of an object; null holds none, other
    // values one.
    size_t size() const;
    bool empty() const { return size() == 0; }
    // Room for count elements of an array or members of an object (other
    // values are left as they are).
    void reserve(size_t count) {
        if (fType == value_t::array) fArray.reserve(count);
        if (fType == value_t::object) fObject.reserve(count);
    }

    // The elements of an array (none for any other value).
    Json* begin() { return fType == value_t::array ? fArray.data() : nullptr; }
    Json* end() { return fType == value_t::array ? fArray.data() + fArray.size() : nullptr; }
    const Json* begin() const { return fType == value_t::array ? fArray.data() : nullptr; }
    const Json* end() const { return fType == value_t::array ? fArray.data() + fArray.size() : nullptr; }
    // The members of an object in their order (none for any other value).
    template <typename M>
    struct Members {
        M* first = nullptr;
        M* last = nullptr;
        M* begin() const { return first; }
        M* end() const { return last; }
    };
    Members<Member> items();
    Members<const Member> items() const;

    // The value as a T: a text, a boolean or a number; throws when it is
    // not one.
    template <typename T>
    T get() const {
        if constexpr (std::is_same_v<T, std::string>) {
            return get_ref<const std::string&>();
        } else if constexpr (std::is_same_v<T, bool>) {
            if (fType != value_t::boolean) ThrowType("a boolean");
            return fBoolean;
        } else {
            static_assert(std::is_arithmetic_v<T>,
                          "a JSON value is read as a text, a boolean or a number");
            switch (fType) {
                case value_t::number_integer:
                    return static_cast<T>(fInteger);
                case value_t::number_unsigned:
                    return static_cast<T>(fUnsigned);
                case value_t::number_float:
                    return static_cast<T>(fFloat);
                default:
                    ThrowType("a number");
            }
        }
    }
    template <typename T>
    T get_ref() const {
        static_assert(std::is_same_v<T, const std::string&>, "only a text is read by reference");
        if (fType != value_t::string) ThrowType("a text");
        return fString;
    }

    friend bool operator==(const Json& a, const Json& b);
    friend bool operator!=(const Json& a, const Json& b) { return !(a == b); }

private:
    friend class JsonRef;

    template <typename Value, typename... Rest>
    void AddMembers(std::string_view name, Value&& value, Rest&&... rest) {
        fObject.emplace_back(name, Json(std::forward<Value>(value)));
        if constexpr (sizeof...(Rest) > 0) AddMembers(std::forward<Rest>(rest)...);
    }

    Json& Element(size_t index);
    const Json& Element(size_t index) const;
    inline void Destroy() noexcept;
    const Json* Find(std::string_view key) const;
    // Makes a null value an empty object or array; throws for other values
    // of another kind.
    void Become(value_t type, const char* what);
    [[noreturn]] static void ThrowType(const char* expected);
    // Copies other's boolean or number; this value already has its type.
    void CopyScalar(const Json& other) noexcept {
        switch (fType) {
            case value_t::boolean:
                fBoolean = other.fBoolean;
                break;
            case value_t::number_integer:
                fInteger = other.fInteger;
                break;
            case value_t::number_unsigned:
                fUnsigned = other.fUnsigned;
                break;
            case value_t::number_float:
                fFloat = other.fFloat;
                break;
            default:
                break;
        }
    }

    value_t fType = value_t::null;
    union {
        bool fBoolean;
        std::int64_t fInteger;
        std::uint64_t fUnsigned;
        double fFloat;
        std::string fString;
        Array fArray;
        Object fObject;
    };
};

// A member of an object.
struct Json::Member {
    Member() = default;
    // A member of that name, its value null (made in place, as operator[] adds one).
    explicit Member(std::string_view key) : name(key) {}
    Member(std::string_view key, Json value) : name(key), member(std::move(value)) {}

    std::string name;
    Json member;

    const std::string& key() const { return name; }
    Json& value() { return member; }
    const Json& value() const { return member; }
};

// Moves and destruction, which building a view does most, inline.
Json::Json(Json&& other) noexcept : fType(other.fType) {
    switch (fType) {
        case value_t::string:
            new (&fString) std::string(std::move(other.fString));
            break;
        case value_t::array:
            new (&fArray) Array(std::move(other.fArray));
            break;
        case value_t::object:
            new (&fObject) Object(std::move(other.fObject));
            break;
        default:
            CopyScalar(other);
            break;
    }
    other.Destroy();  // a moved-from value is null
}

Json& Json::operator=(Json other) noexcept {
    Destroy();
    new (this) Json(std::move(other));
    return *this;
}

void Json::Destroy() noexcept {
    switch (fType) {
        case value_t::string:
            fString.~basic_string();
            break;
        case value_t::array:
            fArray.~Array();
            break;
        case value_t::object:
            fObject.~Object();
            break;
        default:
            break;
    }
    fType = value_t::null;
}

// An element of a braced list that makes a Json: a value, or a nested braced
// list kept as it stands until the value it makes is known to be an object,
// an array or a member's [name, value] pair. Its value is moved out when the
// list is read (a braced list holds its elements as constants).
class JsonRef {
public:
    template <typename T, std::enable_if_t<std::is_constructible_v<Json, T&&> &&
                                               !std::is_same_v<std::decay_t<T>, JsonRef>,
                                           int> = 0>
    JsonRef(T&& value) : fValue(std::forward<T>(value)) {}
    JsonRef(std::initializer_list<JsonRef> list) : fList(list), fNested(true) {}

    // Whether it is a [text, value] pair, a member of an object.
    bool IsMember() const {
        if (fNested)
            return fList.size() == 2 && !fList.begin()->fNested && fList.begin()->fValue.is_string();
        return fValue.is_array() && fValue.fArray.size() == 2 && fValue.fArray[0].is_string();
    }
    // Makes the value it makes in target, a null value.
    void MoveTo(Json& target) const {
        if (fNested)
            new (&target) Json(fList);
        else
            new (&target) Json(std::move(fValue));
    }
    // The name of a member (IsMember), to be moved from.
    std::string& Name() const {
        return fNested ? fList.begin()->fValue.fString : fValue.fArray[0].fString;
    }
    // Makes the value of a member (IsMember) in target, a null value.
    void MoveMemberValueTo(Json& target) const {
        if (fNested)
            (fList.begin() + 1)->MoveTo(target);
        else
            new (&target) Json(std::move(fValue.fArray[1]));
    }

private:
    friend class Json;

    mutable Json fValue;
    std::initializer_list<JsonRef> fList;
    bool fNested = false;
};

}  // namespace render
}  // namespace npar

#pragma once
// A small ordered JSON value: enough to print what the driver saw.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace uidriver {

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Json() = default;
    Json(bool b) : kind_(Kind::Bool), bool_(b) {}
    Json(int n) : kind_(Kind::Number), number_(n) {}
    Json(long n) : kind_(Kind::Number), number_(n) {}
    Json(unsigned long n) : kind_(Kind::Number), number_(static_cast<int64_t>(n)) {}
    Json(int64_t n) : kind_(Kind::Number), number_(n) {}
    Json(const char* s) : kind_(Kind::String), text_(s) {}
    Json(std::string s) : kind_(Kind::String), text_(std::move(s)) {}
    Json(const std::wstring& s);

    static Json Array() {
        Json j;
        j.kind_ = Kind::Array;
        return j;
    }
    static Json Object() {
        Json j;
        j.kind_ = Kind::Object;
        return j;
    }

    Kind kind() const { return kind_; }
    // Object member (created as null when missing; keys keep their first insertion order).
    Json& operator[](const std::string& key);
    bool Has(const std::string& key) const;
    void Push(Json value);
    size_t Size() const { return items_.size(); }

    std::string Dump() const;

private:
    void DumpTo(std::string& out) const;

    Kind kind_ = Kind::Null;
    bool bool_ = false;
    int64_t number_ = 0;
    std::string text_;
    std::vector<Json> items_;       // array items, or object values
    std::vector<std::string> keys_; // object keys, parallel to items_
};

std::string Utf8(const std::wstring& s);
std::wstring Wide(const std::string& s);

} // namespace uidriver

#include "Json.h"

#include <windows.h>

#include <cstdio>

namespace uidriver {

std::string Utf8(const std::wstring& s) {
    if (s.empty()) {
        return {};
    }
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring Wide(const std::string& s) {
    if (s.empty()) {
        return {};
    }
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

Json::Json(const std::wstring& s) : kind_(Kind::String), text_(Utf8(s)) {}

Json& Json::operator[](const std::string& key) {
    if (kind_ != Kind::Object) {
        kind_ = Kind::Object;
        items_.clear();
        keys_.clear();
    }
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i] == key) {
            return items_[i];
        }
    }
    keys_.push_back(key);
    items_.emplace_back();
    return items_.back();
}

bool Json::Has(const std::string& key) const {
    for (const auto& k : keys_) {
        if (k == key) {
            return true;
        }
    }
    return false;
}

void Json::Push(Json value) {
    if (kind_ != Kind::Array) {
        kind_ = Kind::Array;
        items_.clear();
        keys_.clear();
    }
    items_.push_back(std::move(value));
}

static void DumpString(const std::string& s, std::string& out) {
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

void Json::DumpTo(std::string& out) const {
    switch (kind_) {
    case Kind::Null:
        out += "null";
        break;
    case Kind::Bool:
        out += bool_ ? "true" : "false";
        break;
    case Kind::Number:
        out += std::to_string(number_);
        break;
    case Kind::String:
        DumpString(text_, out);
        break;
    case Kind::Array:
        out += '[';
        for (size_t i = 0; i < items_.size(); ++i) {
            if (i) {
                out += ", ";
            }
            items_[i].DumpTo(out);
        }
        out += ']';
        break;
    case Kind::Object:
        out += '{';
        for (size_t i = 0; i < items_.size(); ++i) {
            if (i) {
                out += ", ";
            }
            DumpString(keys_[i], out);
            out += ": ";
            items_[i].DumpTo(out);
        }
        out += '}';
        break;
    }
}

std::string Json::Dump() const {
    std::string out;
    DumpTo(out);
    return out;
}

} // namespace uidriver

#include "triage/render/JsonWriter.h"

#include "triage/model/TextEscape.h"

namespace pv::triage {

void JsonWriter::NewLine() {
    Out += '\n';
    Out.append(HasItems.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (AfterKey) {
        AfterKey = false;
        return;
    }
    if (HasItems.empty())
        return;
    if (HasItems.back())
        Out += ',';
    HasItems.back() = true;
    NewLine();
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    Out += '{';
    HasItems.push_back(false);
    return *this;
}

void JsonWriter::Close(char bracket) {
    const bool hadItems = HasItems.back();
    HasItems.pop_back();
    if (hadItems)
        NewLine();
    Out += bracket;
}

JsonWriter& JsonWriter::EndObject() {
    Close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    Out += '[';
    HasItems.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    Close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    BeforeValue();
    Out += JsonString(key);
    Out += ": ";
    AfterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
    BeforeValue();
    Out += JsonString(value);
    return *this;
}

JsonWriter& JsonWriter::Int(long long value) {
    BeforeValue();
    Out += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::UInt(unsigned long long value) {
    BeforeValue();
    Out += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    Out += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    Out += "null";
    return *this;
}

JsonWriter& JsonWriter::Int(const std::optional<long long>& value) {
    return value ? Int(*value) : Null();
}

JsonWriter& JsonWriter::UInt(const std::optional<unsigned long long>& value) {
    return value ? UInt(*value) : Null();
}

JsonWriter& JsonWriter::Bool(const std::optional<bool>& value) {
    return value ? Bool(*value) : Null();
}

JsonWriter& JsonWriter::StringOrNull(std::string_view value) {
    return value.empty() ? Null() : String(value);
}

std::string JsonWriter::Finish() {
    Out += '\n';
    return std::move(Out);
}

} // namespace pv::triage

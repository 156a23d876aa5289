#pragma once
// A small JSON emitter: indented output, commas and escaping handled here so that the renderers
// only name keys and values.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv::triage {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The key of the next value inside an object.
    JsonWriter& Key(std::string_view key);

    JsonWriter& String(std::string_view value);
    JsonWriter& Int(long long value);
    JsonWriter& UInt(unsigned long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    JsonWriter& Int(const std::optional<long long>& value);
    JsonWriter& UInt(const std::optional<unsigned long long>& value);
    JsonWriter& Bool(const std::optional<bool>& value);
    // An empty text becomes null.
    JsonWriter& StringOrNull(std::string_view value);

    // The document, ending in a line break.
    std::string Finish();

private:
    void BeforeValue();
    void NewLine();
    void Close(char bracket);

    std::string Out;
    std::vector<bool> HasItems; // one per open object or array
    bool AfterKey = false;
};

} // namespace pv::triage

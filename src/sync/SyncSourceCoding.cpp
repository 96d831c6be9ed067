#include "sync/SyncSourceCoding.h"

#include "model/JsonWriter.h"

#include <simdjson.h>

namespace brivet {

namespace {

void writeOption(JsonWriter& json, const SyncSourceOption& option)
{
    json.beginObject();
    if (option.colorHex) {
        json.key("colorHex");
        json.value(*option.colorHex);
    }
    json.key("id");
    json.value(option.id);
    json.key("kind");
    json.value(rawValue(option.kind));
    json.key("subtitle");
    json.value(option.subtitle);
    json.key("title");
    json.value(option.title);
    json.endObject();
}

std::optional<std::string> stringField(simdjson::dom::object object, std::string_view key)
{
    std::string_view text;
    if (object[key].get_string().get(text))
        return std::nullopt;
    return std::string(text);
}

std::optional<SyncSourceOption> readOption(simdjson::dom::element element)
{
    simdjson::dom::object object;
    if (element.get_object().get(object))
        return std::nullopt;
    auto id = stringField(object, "id");
    auto title = stringField(object, "title");
    auto subtitle = stringField(object, "subtitle");
    auto kindText = stringField(object, "kind");
    if (!id || !title || !subtitle || !kindText)
        return std::nullopt;
    auto kind = fromRawValue<SyncSourceKind>(*kindText);
    if (!kind)
        return std::nullopt;
    SyncSourceOption option { std::move(*id), std::move(*title), std::move(*subtitle), *kind, std::nullopt };
    simdjson::dom::element color;
    if (!object["colorHex"].get(color) && !color.is_null()) {
        auto hex = stringField(object, "colorHex");
        if (!hex)
            return std::nullopt;
        option.colorHex = std::move(*hex);
    }
    return option;
}

bool readOptions(simdjson::dom::object object, std::string_view key, std::vector<SyncSourceOption>& out)
{
    simdjson::dom::array items;
    if (object[key].get_array().get(items))
        return false;
    for (simdjson::dom::element item : items) {
        auto option = readOption(item);
        if (!option)
            return false;
        out.push_back(std::move(*option));
    }
    return true;
}

} // namespace

std::string encodeSyncSourceOption(const SyncSourceOption& option)
{
    std::string out;
    JsonWriter json(out);
    writeOption(json, option);
    return out;
}

std::string encodeSyncSourceSnapshot(const SyncSourceSnapshot& snapshot)
{
    std::string out;
    JsonWriter json(out);
    json.beginObject();
    json.key("calendars");
    json.beginArray();
    for (const SyncSourceOption& option : snapshot.calendars)
        writeOption(json, option);
    json.endArray();
    json.key("calendarsAuthorized");
    json.value(snapshot.calendarsAuthorized);
    json.key("reminderLists");
    json.beginArray();
    for (const SyncSourceOption& option : snapshot.reminderLists)
        writeOption(json, option);
    json.endArray();
    json.key("remindersAuthorized");
    json.value(snapshot.remindersAuthorized);
    json.endObject();
    return out;
}

std::optional<SyncSourceOption> decodeSyncSourceOption(std::string_view json)
{
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (parser.parse(json.data(), json.size()).get(root))
        return std::nullopt;
    return readOption(root);
}

std::optional<SyncSourceSnapshot> decodeSyncSourceSnapshot(std::string_view json)
{
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::object object;
    if (parser.parse(json.data(), json.size()).get(root) || root.get_object().get(object))
        return std::nullopt;
    SyncSourceSnapshot snapshot;
    if (!readOptions(object, "reminderLists", snapshot.reminderLists) || !readOptions(object, "calendars", snapshot.calendars))
        return std::nullopt;
    if (object["remindersAuthorized"].get_bool().get(snapshot.remindersAuthorized)
        || object["calendarsAuthorized"].get_bool().get(snapshot.calendarsAuthorized))
        return std::nullopt;
    return snapshot;
}

} // namespace brivet

#pragma once

#include "model/Instant.h"
#include "model/Uuid.h"

#include <string>
#include <string_view>

namespace brivet {

// Pretty-printed JSON output. Callers write keys in the order they want them
// to appear (the stored files list them alphabetically).
class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : m_out(out) { }

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);

    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(bool flag);
    void value(double number);
    void value(long long number);
    void value(int number) { value(static_cast<long long>(number)); }
    void value(const Uuid& id);
    void date(Instant instant);

private:
    void beforeValue();
    void newline();

    std::string& m_out;
    int m_depth = 0;
    bool m_first = true;
    bool m_afterKey = false;
};

void appendJsonString(std::string& out, std::string_view text);
void appendIsoDate(std::string& out, Instant instant);

} // namespace brivet

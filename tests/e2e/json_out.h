// The small JSON writer our observer programs print their findings with.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace json_out {

inline std::string Num(long long value) { return std::to_string(value); }
inline std::string Num(unsigned long long value) { return std::to_string(value); }
inline std::string Bool(bool value) { return value ? "true" : "false"; }

// A JSON object built field by field, in order.
class Object {
public:
    Object& add(const char* key, const std::string& json) {
        text_ += (text_.empty() ? "{" : ",") + std::string("\"") + key + "\":" + json;
        return *this;
    }
    std::string str() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};

inline std::string Array(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
    return out + "]";
}

// One line of JSON on stdout; returns `status` for the caller to exit with.
inline int Print(const std::string& json, int status = 0) {
    const std::string line = json + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    return status;
}

}  // namespace json_out

// The compact JSON writer of the result classes: no space or line break
// anywhere, names and strings escaped minimally and written in UTF-8,
// floats by the JSON number text (NaN and the infinities as null).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace forvela {

class JsonWriter {
public:
    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    // The name of the next member of the open object.
    void key(std::string_view name);

    void null();
    void number(double x);
    void number(std::optional<double> x);  // absent as null
    void number(std::uint64_t n);
    void string(std::string_view s);

    void float_array(std::span<const double> values);
    // An object of float arrays, in the map's own order.
    template <class Map>
    void float_array_map(const Map& map) {
        begin_object();
        for (const auto& [name, values] : map) {
            key(name);
            float_array(values);
        }
        end_object();
    }

    const std::string& text() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    void before_value();

    std::string out_;
    // One entry per open container: whether it still has no element.
    std::vector<bool> empty_;
    bool after_key_ = false;
};

// `"text"` with ", \ and control characters escaped, the rest unchanged.
void append_json_string(std::string& out, std::string_view text);

}  // namespace forvela

#include "sample_set/json_writer.hpp"

#include "model/number_text.hpp"

namespace forvela {

void append_json_string(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t run = 0;  // start of the pending unescaped run
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text.substr(run, i - run));
        run = i + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            default:
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
        }
    }
    out.append(text.substr(run));
    out += '"';
}

void JsonWriter::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!empty_.empty()) {
        if (!empty_.back()) out_ += ',';
        empty_.back() = false;
    }
}

void JsonWriter::begin_object() {
    before_value();
    out_ += '{';
    empty_.push_back(true);
}

void JsonWriter::end_object() {
    out_ += '}';
    empty_.pop_back();
}

void JsonWriter::begin_array() {
    before_value();
    out_ += '[';
    empty_.push_back(true);
}

void JsonWriter::end_array() {
    out_ += ']';
    empty_.pop_back();
}

void JsonWriter::key(std::string_view name) {
    before_value();
    append_json_string(out_, name);
    out_ += ':';
    after_key_ = true;
}

void JsonWriter::null() {
    before_value();
    out_ += "null";
}

void JsonWriter::number(double x) {
    before_value();
    append_json_float(out_, x);
}

void JsonWriter::number(std::optional<double> x) {
    if (x)
        number(*x);
    else
        null();
}

void JsonWriter::number(std::uint64_t n) {
    before_value();
    append_unsigned(out_, n);
}

void JsonWriter::string(std::string_view s) {
    before_value();
    append_json_string(out_, s);
}

void JsonWriter::float_array(std::span<const double> values) {
    begin_array();
    for (double v : values) number(v);
    end_array();
}

}  // namespace forvela

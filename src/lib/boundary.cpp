#include "lib/boundary.hpp"
#include "model/result_macros.hpp"

#include "model/memory.hpp"

#include <cstdint>

#include <exception>
#include <stdexcept>

namespace forvela::py {

void raise_caught_exception() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const DepthExceeded& e) {
        PyErr_SetString(PyExc_RecursionError, e.what());
    } catch (const std::exception& e) {
        try {
            raise(Error{ErrorKind::Internal, e.what()});
        } catch (...) {
            PyErr_NoMemory();
        }
    } catch (...) {
        try {
            raise(Error{ErrorKind::Internal, "unknown internal failure"});
        } catch (...) {
            PyErr_NoMemory();
        }
    }
}

namespace {

std::string quoted_list(const std::vector<const char*>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) {
            if (names.size() > 2) out += ",";
            out += " ";
            if (i + 1 == names.size()) out += "and ";
        }
        out += "'";
        out += names[i];
        out += "'";
    }
    return out;
}

Result<void> too_many_positional(const Signature& sig, Py_ssize_t given) {
    std::size_t max = 0, min = 0;
    for (const auto& p : sig.params) {
        if (p.keyword_only) break;
        ++max;
        if (p.required) min = max;
    }
    std::string msg = std::string(sig.callable) + "() takes ";
    if (min != max)
        msg += "from " + std::to_string(min) + " to " + std::to_string(max);
    else
        msg += std::to_string(max);
    msg += max == 1 && min == max ? " positional argument" : " positional arguments";
    msg += " but " + std::to_string(given) + (given == 1 ? " was given" : " were given");
    return fail(ErrorKind::TypeError, msg);
}

// Keyword matching and the missing-argument check shared by both forms.
class Binder {
public:
    Binder(const Signature& sig, std::span<PyObject*> out) : sig_(sig), out_(out) {
        for (auto& o : out_) o = nullptr;
    }

    Result<void> positional(PyObject* const* args, Py_ssize_t nargs) {
        std::size_t positional = 0;
        for (const auto& p : sig_.params) {
            if (p.keyword_only) break;
            ++positional;
        }
        if (static_cast<std::size_t>(nargs) > positional) return too_many_positional(sig_, nargs);
        for (Py_ssize_t i = 0; i < nargs; ++i) out_[static_cast<std::size_t>(i)] = args[i];
        return {};
    }

    Result<void> keyword(PyObject* key, PyObject* value) {
        if (!PyUnicode_Check(key))
            return fail(ErrorKind::TypeError, std::string(sig_.callable) + "() keywords must be strings");
        Py_ssize_t len = 0;
        const char* k = PyUnicode_AsUTF8AndSize(key, &len);
        if (!k) return pending();
        std::string_view name(k, static_cast<std::size_t>(len));
        for (std::size_t i = 0; i < sig_.params.size(); ++i) {
            if (name != sig_.params[i].name) continue;
            if (out_[i])
                return fail(ErrorKind::TypeError, std::string(sig_.callable) +
                                                      "() got multiple values for argument '" +
                                                      std::string(name) + "'");
            out_[i] = value;
            return {};
        }
        return fail(
            ErrorKind::TypeError,
            std::string(sig_.callable) + "() got an unexpected keyword argument '" + std::string(name) + "'");
    }

    Result<void> finish() {
        std::vector<const char*> positional, keyword;
        for (std::size_t i = 0; i < sig_.params.size(); ++i) {
            const auto& p = sig_.params[i];
            if (p.required && !out_[i]) (p.keyword_only ? keyword : positional).push_back(p.name);
        }
        auto missing = [&](const std::vector<const char*>& names, const char* what) {
            std::string msg = std::string(sig_.callable) + "() missing " + std::to_string(names.size()) +
                              " required " + what + (names.size() == 1 ? " argument: " : " arguments: ") +
                              quoted_list(names);
            return fail(ErrorKind::TypeError, msg);
        };
        if (!positional.empty()) return missing(positional, "positional");
        if (!keyword.empty()) return missing(keyword, "keyword-only");
        return {};
    }

private:
    const Signature& sig_;
    std::span<PyObject*> out_;
};

}  // namespace

Result<void> parse_args(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                        std::span<PyObject*> out) {
    Binder b(sig, out);
    FV_TRY(b.positional(args, nargs));
    if (kwnames) {
        Py_ssize_t n = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t i = 0; i < n; ++i) FV_TRY(b.keyword(PyTuple_GET_ITEM(kwnames, i), args[nargs + i]));
    }
    return b.finish();
}

Result<void> parse_args(const Signature& sig, PyObject* args, PyObject* kwargs, std::span<PyObject*> out) {
    Binder b(sig, out);
    Py_ssize_t nargs = args ? PyTuple_GET_SIZE(args) : 0;
    FV_TRY(b.positional(nargs ? &PyTuple_GET_ITEM(args, 0) : nullptr, nargs));
    if (kwargs) {
        Py_ssize_t pos = 0;
        PyObject *key, *value;
        while (PyDict_Next(kwargs, &pos, &key, &value)) FV_TRY(b.keyword(key, value));
    }
    return b.finish();
}

Error argument_error(const char* name, Error error) {
    bool is_type_error = error.kind == ErrorKind::TypeError ||
                         (error.kind == ErrorKind::PythonPending && PyErr_ExceptionMatches(PyExc_TypeError));
    if (!is_type_error) return error;
    raise(error);
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb && value) PyException_SetTraceback(value, tb);
    std::string msg = std::string("argument '") + name + "': ";
    if (value) {
        if (PyObject* s = PyObject_Str(value)) {
            if (const char* c = PyUnicode_AsUTF8(s)) msg += c;
            Py_DECREF(s);
        }
        PyErr_Clear();
    }
    PyObject* text = PyUnicode_FromStringAndSize(msg.data(), static_cast<Py_ssize_t>(msg.size()));
    PyObject* replaced = text ? PyObject_CallOneArg(PyExc_TypeError, text) : nullptr;
    Py_XDECREF(text);
    if (replaced) {
        if (value)
            PyException_SetCause(replaced, value);  // steals value
        else
            Py_XDECREF(value);
        PyErr_SetObject(PyExc_TypeError, replaced);
        Py_DECREF(replaced);
    } else {
        Py_XDECREF(value);
    }
    Py_XDECREF(type);
    Py_XDECREF(tb);
    return Error{ErrorKind::PythonPending, {}};
}

Result<void> check_fits_in_memory(std::uint64_t count, std::size_t bytes_each) {
    if (!fits_in_memory(count, bytes_each)) return fail(ErrorKind::MemoryError, {});
    return {};
}

std::string cannot_convert_text(PyObject* obj, std::string_view kind) {
    std::string message = "'";
    message += type_qualname(obj);
    message += "' object cannot be converted to '";
    message += kind;
    message += '\'';
    return message;
}

std::unexpected<Error> cannot_convert(PyObject* obj, std::string_view kind) {
    return fail(ErrorKind::TypeError, cannot_convert_text(obj, kind));
}

Result<std::string> to_string(PyObject* obj) {
    if (!PyUnicode_Check(obj)) return cannot_convert(obj, "PyString");
    Py_ssize_t len = 0;
    const char* s = PyUnicode_AsUTF8AndSize(obj, &len);
    if (!s) return pending();
    return std::string(s, static_cast<std::size_t>(len));
}

Result<std::optional<std::string>> to_optional_string(PyObject* obj) {
    if (!obj || obj == Py_None) return std::optional<std::string>{};
    FV_ASSIGN_OR_RETURN(auto s, to_string(obj));
    return std::optional<std::string>(std::move(s));
}

}  // namespace forvela::py

#include "lib/classes/sample_set/result_items.hpp"

#include <bit>

namespace forvela::py {

Result<std::optional<double>> optional_float_from_python(PyObject* obj) {
    if (!obj || obj == Py_None) return std::optional<double>{};
    double x = PyFloat_AsDouble(obj);
    if (x == -1.0 && PyErr_Occurred()) return pending();
    return std::optional<double>(x);
}

PyResult optional_float_into_python(const std::optional<double>& x) {
    if (!x) return none();
    return checked(PyFloat_FromDouble(*x));
}

Result<std::uint64_t> count_from_python(PyObject* obj) {
    Ref index = PyLong_CheckExact(obj) ? Ref::borrowed(obj) : Ref(PyNumber_Index(obj));
    if (!index) return pending();
    unsigned long long v = PyLong_AsUnsignedLongLong(index.get());
    if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return pending();
    return static_cast<std::uint64_t>(v);
}

Result<double> float_from_python(PyObject* obj) {
    if (PyFloat_CheckExact(obj)) return PyFloat_AS_DOUBLE(obj);
    double x = PyFloat_AsDouble(obj);
    if (x == -1.0 && PyErr_Occurred()) return pending();
    return x;
}

NumberCache::~NumberCache() {
    for (PyObject* n : ints_) Py_XDECREF(n);
    Py_XDECREF(last_real_);
}

PyObject* NumberCache::integer(std::uint64_t v) {
    if (v >= kSmall) return PyLong_FromUnsignedLongLong(v);
    if (v >= ints_.size()) ints_.resize(static_cast<std::size_t>(v) + 1, nullptr);
    PyObject*& slot = ints_[static_cast<std::size_t>(v)];
    if (!slot) {
        slot = PyLong_FromUnsignedLongLong(v);
        if (!slot) return nullptr;
    }
    return Py_NewRef(slot);
}

PyObject* NumberCache::real(double x) {
    if (last_real_ &&
        std::bit_cast<std::uint64_t>(PyFloat_AS_DOUBLE(last_real_)) == std::bit_cast<std::uint64_t>(x))
        return Py_NewRef(last_real_);
    PyObject* made = PyFloat_FromDouble(x);
    if (!made) return nullptr;
    Py_XSETREF(last_real_, Py_NewRef(made));
    return made;
}

namespace {

template <class T, class Make>
PyResult sequence_into_python(std::span<const T> values, bool tuple, Make&& make) {
    const auto n = static_cast<Py_ssize_t>(values.size());
    Ref out(tuple ? PyTuple_New(n) : PyList_New(n));
    if (!out) return pending();
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* item = make(values[static_cast<std::size_t>(i)]);
        if (!item) return pending();
        if (tuple)
            PyTuple_SET_ITEM(out.get(), i, item);
        else
            PyList_SET_ITEM(out.get(), i, item);
    }
    return out;
}

}  // namespace

PyResult u64_list_into_python(std::span<const std::uint64_t> values, NumberCache& cache) {
    return sequence_into_python(values, false, [&](std::uint64_t v) { return cache.integer(v); });
}

PyResult f64_list_into_python(std::span<const double> values, NumberCache& cache) {
    return sequence_into_python(values, false, [&](double x) { return cache.real(x); });
}

PyResult u64_tuple_into_python(std::span<const std::uint64_t> values, NumberCache& cache) {
    return sequence_into_python(values, true, [&](std::uint64_t v) { return cache.integer(v); });
}

PyResult u64_list_into_python(std::span<const std::uint64_t> values) {
    return sequence_into_python(values, false,
                                [](std::uint64_t v) { return PyLong_FromUnsignedLongLong(v); });
}

Result<void> require_dict(PyObject* obj) {
    if (!PyDict_Check(obj)) return cannot_convert(obj, "PyDict");
    return {};
}

Result<Ref> dict_lookup(PyObject* dict, const char* key) {
    PyObject* value = PyDict_GetItemString(dict, key);  // borrowed; no error raised
    if (!value && PyErr_Occurred()) return pending();
    return Ref::borrowed(value);
}

Result<void> dict_store(PyObject* dict, const char* key, PyResult value) {
    if (!value) return std::unexpected(value.error());
    if (PyDict_SetItemString(dict, key, value->get()) < 0) return pending();
    return {};
}

Result<void> dict_store(PyObject* dict, std::string_view key, PyResult value) {
    if (!value) return std::unexpected(value.error());
    FV_ASSIGN_OR_RETURN(Ref name, text_into_python(key));
    if (PyDict_SetItem(dict, name.get(), value->get()) < 0) return pending();
    return {};
}

PyResult pandas_frame_from_dict() {
    Ref pandas(PyImport_ImportModule("pandas"));
    if (!pandas) return pending();
    Ref frame(PyObject_GetAttrString(pandas.get(), "DataFrame"));
    if (!frame) return pending();
    return checked(PyObject_GetAttrString(frame.get(), "from_dict"));
}

Result<Utf8Text> json_text_from_python(PyObject* obj) {
    if (!PyUnicode_Check(obj)) return cannot_convert(obj, "PyString");
    Py_ssize_t size = 0;
    if (const char* s = PyUnicode_AsUTF8AndSize(obj, &size))
        return Utf8Text{Ref::borrowed(obj), std::string_view(s, static_cast<std::size_t>(size))};
    PyErr_Clear();
    Ref bytes(PyUnicode_AsEncodedString(obj, "utf-8", "surrogatepass"));
    if (!bytes) return pending();
    return Utf8Text{bytes, std::string_view(PyBytes_AS_STRING(bytes.get()),
                                            static_cast<std::size_t>(PyBytes_GET_SIZE(bytes.get())))};
}

PyResult text_into_python(std::string_view text) {
    return checked(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict"));
}

Result<PyObject*> single_argument(const char* callable, const char* name, PyObject* const* args,
                                  Py_ssize_t nargs, PyObject* kwnames) {
    const Param params[] = {{name, true, false}};
    Args<1> a;
    FV_TRY(parse_args(Signature{callable, params}, args, nargs, kwnames, a));
    return a[0];
}

}  // namespace forvela::py

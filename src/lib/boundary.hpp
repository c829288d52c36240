// The call boundary: every slot, method, getter and module function of the
// module is entered through `boundary`, which runs the operation, turns its
// result into a new reference or its error into a raised exception, and lets
// no C++ exception unwind into the interpreter. Also the borrow flag of every
// object and the extraction of arguments by position and name.
#pragma once

#include <array>
#include <initializer_list>
#include <new>
#include <optional>
#include <vector>
#include <span>
#include <string_view>
#include <type_traits>

#include "lib/exceptions.hpp"
#include "model/result_macros.hpp"
#include "lib/py.hpp"
#include "model/depth_guard.hpp"
#include "model/expression/expression.hpp"

namespace forvela::py {

// Raises a C++ exception caught at the boundary as its Python exception.
void raise_caught_exception() noexcept;

// Runs `op` (returning PyResult) and hands back a new reference or NULL.
template <class Op>
PyObject* boundary(Op&& op) noexcept {
    try {
        PyResult r = op();
        if (r) return r->release();
        raise(r.error());
    } catch (...) {
        raise_caught_exception();
    }
    return nullptr;
}

// The same for slots that answer an int (0 success, -1 failure).
template <class Op>
int boundary_status(Op&& op) noexcept {
    try {
        Result<void> r = op();
        if (r) return 0;
        raise(r.error());
    } catch (...) {
        raise_caught_exception();
    }
    return -1;
}

// What an object of a class with value type T holds: expression nodes are
// held through an Expression handle and conditions through a ConditionalExpr,
// so that an object shares its node with the values built from it; every
// other value is held as it is.
template <class T>
struct HeldOf {
    using type = T;
};
template <ExprPayload T>
struct HeldOf<T> {
    using type = Expression;
};
template <>
struct HeldOf<ComparisonOp> {
    using type = ConditionalExpr;
};
template <>
struct HeldOf<LogicalOp> {
    using type = ConditionalExpr;
};
template <class T>
using Held = typename HeldOf<T>::type;

// The T of a held value, for reading.
template <class T>
const T& value_of(const Held<T>& held) {
    if constexpr (std::is_same_v<Held<T>, T>)
        return held;
    else
        return held.template as<T>();
}
// The T of a held value, made the object's own first (copy-on-write).
template <class T>
T& own_value_of(Held<T>& held) {
    if constexpr (std::is_same_v<Held<T>, T>)
        return held;
    else
        return held.template mut<T>();
}

// What every object of the module starts with: the header and the borrow flag.
struct ObjectHead {
    PyObject_HEAD Py_ssize_t borrow;  // 0 free, > 0 shared borrows, -1 exclusive
};

// Every object of the module: the head, then the value.
template <class T>
struct Object : ObjectHead {
    Held<T> value;
};

template <class T>
Object<T>* object_of(PyObject* self) {
    return reinterpret_cast<Object<T>*>(self);
}

class Borrow {
public:
    static Result<Borrow> shared(Py_ssize_t& flag) {
        if (flag < 0) return fail(ErrorKind::RuntimeError, "Already mutably borrowed");
        ++flag;
        return Borrow(&flag, false);
    }
    static Result<Borrow> exclusive(Py_ssize_t& flag) {
        if (flag != 0) return fail(ErrorKind::RuntimeError, "Already borrowed");
        flag = -1;
        return Borrow(&flag, true);
    }
    Borrow(Borrow&& o) noexcept : flag_(std::exchange(o.flag_, nullptr)), exclusive_(o.exclusive_) {}
    Borrow(const Borrow&) = delete;
    ~Borrow() {
        if (!flag_) return;
        if (exclusive_)
            *flag_ = 0;
        else
            --*flag_;
    }

private:
    Borrow(Py_ssize_t* f, bool e) : flag_(f), exclusive_(e) {}
    Py_ssize_t* flag_;
    bool exclusive_;
};

// A shared borrow of the receiver (an object of the module) held for a whole
// entry, so that code the entry runs (an argument's `__index__`, say) cannot
// change the receiver midway: its `set_latex` meets "Already borrowed".
inline Result<Borrow> borrow_receiver(PyObject* self) {
    return Borrow::shared(reinterpret_cast<ObjectHead*>(self)->borrow);
}

// The conversion TypeError's text, "'T' object cannot be converted to 'Kind'",
// and the failure carrying it.
std::string cannot_convert_text(PyObject* obj, std::string_view kind);
std::unexpected<Error> cannot_convert(PyObject* obj, std::string_view kind);

// Visits the items of a sequence that is not a str, stopping at the first
// failure. Lists and tuples are read by position (a list is re-measured
// before every item, since converting one may run code that changes it),
// anything else through its iterator.
template <class Fn>
Result<void> for_each_item(PyObject* obj, Fn&& visit) {
    if (PyUnicode_Check(obj)) return fail(ErrorKind::TypeError, "Can't extract `str` to `Vec`");
    if (!PySequence_Check(obj)) return cannot_convert(obj, "Sequence");
    if (PyList_CheckExact(obj)) {
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(obj); ++i) {
            Ref item = Ref::borrowed(PyList_GET_ITEM(obj, i));
            FV_TRY(visit(item.get()));
        }
        return {};
    }
    if (PyTuple_CheckExact(obj)) {
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(obj); ++i) FV_TRY(visit(PyTuple_GET_ITEM(obj, i)));
        return {};
    }
    Ref iterator(PyObject_GetIter(obj));
    if (!iterator) return pending();
    while (Ref item{PyIter_Next(iterator.get())}) FV_TRY(visit(item.get()));
    if (PyErr_Occurred()) return pending();
    return {};
}

// Runs `fn(const T&)` under a shared borrow of the object's value.
template <class T, class Fn>
auto with_shared(PyObject* self, Fn&& fn) -> decltype(fn(std::declval<const T&>())) {
    auto* obj = object_of<T>(self);
    FV_ASSIGN_OR_RETURN(auto borrow, Borrow::shared(obj->borrow));
    return fn(value_of<T>(obj->value));
}

// Runs `fn(const Held<T>&)` under a shared borrow: the handle itself, to be
// shared by a new value without copying its node.
template <class T, class Fn>
auto with_held(PyObject* self, Fn&& fn) -> decltype(fn(std::declval<const Held<T>&>())) {
    auto* obj = object_of<T>(self);
    FV_ASSIGN_OR_RETURN(auto borrow, Borrow::shared(obj->borrow));
    return fn(static_cast<const Held<T>&>(obj->value));
}

template <class T, class Fn>
auto with_exclusive(PyObject* self, Fn&& fn) -> decltype(fn(std::declval<T&>())) {
    auto* obj = object_of<T>(self);
    FV_ASSIGN_OR_RETURN(auto borrow, Borrow::exclusive(obj->borrow));
    return fn(own_value_of<T>(obj->value));
}

// A METH_FASTCALL | METH_KEYWORDS function as the method table stores it.
using FastcallFn = PyObject* (*)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
inline PyCFunction fastcall(FastcallFn fn) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fn));
}

// ---- arguments ----

struct Param {
    const char* name;
    bool required;
    bool keyword_only;
};

struct Signature {
    const char* callable;  // "Placeholder.__new__", "sum"
    std::span<const Param> params;
};

// Arguments by parameter, borrowed; null where an optional one was omitted.
template <std::size_t N>
using Args = std::array<PyObject*, N>;

// Fast-call form (positional array, then the keyword values named by kwnames).
Result<void> parse_args(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
                        std::span<PyObject*> out);
// Tuple-and-dict form (constructors).
Result<void> parse_args(const Signature& sig, PyObject* args, PyObject* kwargs, std::span<PyObject*> out);

// A failed conversion of the named argument: a TypeError becomes a new
// TypeError "argument 'NAME': " + its message, with the original as cause;
// other errors pass unchanged.
Error argument_error(const char* name, Error error);

template <class T>
Result<T> argument(const char* name, Result<T> converted) {
    if (converted) return converted;
    return std::unexpected(argument_error(name, std::move(converted.error())));
}

// MemoryError at once when `count` items of `bytes_each` bytes cannot fit in
// the machine's physical memory, before anything is built one by one.
Result<void> check_fits_in_memory(std::uint64_t count, std::size_t bytes_each);

// Converters shared by many classes.
Result<std::string> to_string(PyObject* obj);
Result<std::optional<std::string>> to_optional_string(PyObject* obj);  // None or absent -> nullopt

}  // namespace forvela::py

// The class registry: every class of the module contributes its items
// (methods, getters and type slots, in groups) at load time, and its type
// object is built from them the first time it is needed. Module functions
// register the same way. The module body adds both in the fixed order of
// the ids below.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "lib/boundary.hpp"
#include "model/result_macros.hpp"

namespace forvela::py {

enum class ClassId : std::uint8_t {
#define FORVELA_CLASS(name) name,
#define FORVELA_EXPR_CLASS(name, kind, sub) name,
#define FORVELA_COND_CLASS(name, node, sub) name,
#include "lib/class_list.def"
    Count
};

// The class of an expression or condition value, from its node kind.
ClassId class_of(const Expression& e);
ClassId class_of(const ConditionalExpr& c);
// Whether the object's exact type is one of the expression classes, and which.
std::optional<ClassId> expression_class_of(PyObject* obj);
std::optional<ClassId> condition_class_of(PyObject* obj);

enum class FunctionId : std::uint8_t {
    to_protobuf,
    from_protobuf,
    is_linear,
    is_quadratic,
    is_higher_order,
    is_dynamic_degree,
    is_same,
    extract_nodes,
    extract_variables,
    replace,
    abs,
    ceil,
    floor,
    log2,
    log10,
    ln,
    min,
    max,
    sum,
    prod,
    Count
};

struct ItemGroup {
    std::vector<PyMethodDef> methods;
    std::vector<PyGetSetDef> getsets;
    std::vector<PyType_Slot> slots;
};

struct ClassDef {
    const char* name;       // bare class name
    const char* signature;  // constructor text signature, or null without constructor
    const char* doc;        // class documentation, or null
    int basicsize;
    destructor dealloc;
    std::vector<const ItemGroup*> groups;
    // Runs once on the new type (class attributes).
    Result<void> (*finish)(PyTypeObject*) = nullptr;
    // A copy of the object's value as an expression, for the conversion from
    // Python; null for classes that are no expressions.
    Result<Expression> (*to_expression)(PyObject*) = nullptr;
    // The same for the condition classes.
    Result<ConditionalExpr> (*to_condition)(PyObject*) = nullptr;
    // Type flags besides Py_TPFLAGS_DEFAULT (Py_TPFLAGS_HAVE_GC for classes
    // that hold Python objects).
    unsigned long flags = 0;

    // Filled when the type is built.
    PyTypeObject* type = nullptr;
};

// Called from static initialisers of the class and function files.
bool register_class(ClassId id, ClassDef* def);
bool register_function(FunctionId id, PyMethodDef* def);

const ClassDef* class_def(ClassId id);  // null while the class is not built
PyMethodDef* function_def(FunctionId id);

// The class's type object, built on first use.
Result<PyTypeObject*> type_of(ClassId id);
// Whether the object is an instance of the class (false if it is not built).
bool is_instance(PyObject* obj, ClassId id);
const char* class_name(ClassId id);

// A copy of the value held by an object of class `id`; otherwise the
// conversion TypeError naming the class.
template <class T>
Result<T> copy_value_of(PyObject* obj, ClassId id) {
    if (!is_instance(obj, id)) return cannot_convert(obj, class_name(id));
    return with_shared<T>(obj, [](const T& v) -> Result<T> { return v; });
}

// A new object of the type holding `value`.
template <class T>
PyResult new_object(PyTypeObject* type, T value) {
    PyObject* obj = type->tp_alloc(type, 0);
    if (!obj) return pending();
    using V = std::decay_t<T>;
    auto* o = object_of<V>(obj);
    o->borrow = 0;
    new (&o->value) Held<V>(std::move(value));
    return Ref(obj);
}

template <class T>
PyResult new_object(ClassId id, T value) {
    FV_ASSIGN_OR_RETURN(auto type, type_of(id));
    return new_object(type, std::move(value));
}

template <class T>
void dealloc_object(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    using H = Held<T>;
    object_of<T>(self)->value.~H();
    type->tp_free(self);
    Py_DECREF(type);
}

// Defaults for ClassDef fields that depend on the held value type.
template <class T>
constexpr int object_size() {
    return static_cast<int>(sizeof(Object<T>));
}

}  // namespace forvela::py

#include "lib/registry.hpp"

#include "analysis/node_class.hpp"
#include "model/result_macros.hpp"

#include <array>

namespace forvela::py {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(ClassId::Count)> kClassNames = {
#define FORVELA_CLASS(name) #name,
#define FORVELA_EXPR_CLASS(name, kind, sub) #name,
#define FORVELA_COND_CLASS(name, node, sub) #name,
#include "lib/class_list.def"
};

// The class of the nodes of each node class.
constexpr ClassId class_id_of(NodeClass cls) {
    switch (cls) {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub) \
    case NodeClass::name: return ClassId::name;
#define FORVELA_COND_CLASS(name, node, sub) \
    case NodeClass::name: return ClassId::name;
#include "lib/class_list.def"
    }
    __builtin_unreachable();
}

constexpr ClassId kExpressionClasses[] = {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub) ClassId::name,
#define FORVELA_COND_CLASS(name, node, sub)
#include "lib/class_list.def"
};

constexpr ClassId kConditionClasses[] = {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub)
#define FORVELA_COND_CLASS(name, node, sub) ClassId::name,
#include "lib/class_list.def"
};

// Constant-initialised, so registration from any static initialiser is safe.
ClassDef* classes[static_cast<std::size_t>(ClassId::Count)] = {};
PyMethodDef* functions[static_cast<std::size_t>(FunctionId::Count)] = {};

PyObject* no_constructor(PyTypeObject*, PyObject*, PyObject*) {
    PyErr_SetString(PyExc_TypeError, "No constructor defined");
    return nullptr;
}

// Everything a type spec points into must outlive the type.
struct TypeStorage {
    std::string spec_name;
    std::string doc;
    std::vector<PyMethodDef> methods;
    std::vector<PyGetSetDef> getsets;
    std::vector<PyType_Slot> slots;
};

Result<PyTypeObject*> build_type(ClassDef& def) {
    auto* storage = new TypeStorage;  // lives as long as the type: the process
    storage->spec_name = std::string("forvela.") + def.name;
    if (def.signature) {
        storage->doc = std::string(def.name) + def.signature + "\n--\n\n";
    }
    if (def.doc) storage->doc += def.doc;

    bool has_new = false;
    for (const ItemGroup* g : def.groups) {
        storage->methods.insert(storage->methods.end(), g->methods.begin(), g->methods.end());
        storage->getsets.insert(storage->getsets.end(), g->getsets.begin(), g->getsets.end());
        for (const auto& s : g->slots) {
            if (s.slot == Py_tp_new) has_new = true;
            storage->slots.push_back(s);
        }
    }
    storage->methods.push_back({nullptr, nullptr, 0, nullptr});
    storage->getsets.push_back({nullptr, nullptr, nullptr, nullptr, nullptr});
    if (!has_new) storage->slots.push_back({Py_tp_new, reinterpret_cast<void*>(no_constructor)});
    storage->slots.push_back({Py_tp_dealloc, reinterpret_cast<void*>(def.dealloc)});
    storage->slots.push_back({Py_tp_methods, storage->methods.data()});
    storage->slots.push_back({Py_tp_getset, storage->getsets.data()});
    if (!storage->doc.empty()) storage->slots.push_back({Py_tp_doc, const_cast<char*>(storage->doc.c_str())});
    storage->slots.push_back({0, nullptr});

    PyType_Spec spec{storage->spec_name.c_str(), def.basicsize, 0,
                     static_cast<unsigned int>(Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE | def.flags),
                     storage->slots.data()};
    PyObject* type = PyType_FromSpec(&spec);
    if (!type) return pending();
    auto* tp = reinterpret_cast<PyTypeObject*>(type);
    if (def.finish) {
        if (auto r = def.finish(tp); !r) {
            Py_DECREF(type);
            return std::unexpected(r.error());
        }
        // The class attributes were stored into the type's dict directly.
        PyType_Modified(tp);
    }
    return tp;
}

}  // namespace

bool register_class(ClassId id, ClassDef* def) {
    classes[static_cast<std::size_t>(id)] = def;
    return true;
}

bool register_function(FunctionId id, PyMethodDef* def) {
    functions[static_cast<std::size_t>(id)] = def;
    return true;
}

const ClassDef* class_def(ClassId id) { return classes[static_cast<std::size_t>(id)]; }
PyMethodDef* function_def(FunctionId id) { return functions[static_cast<std::size_t>(id)]; }
const char* class_name(ClassId id) { return kClassNames[static_cast<std::size_t>(id)]; }

ClassId class_of(const Expression& e) { return class_id_of(node_class_of(e)); }
ClassId class_of(const ConditionalExpr& c) { return class_id_of(node_class_of(c)); }

std::optional<ClassId> expression_class_of(PyObject* obj) {
    for (ClassId id : kExpressionClasses)
        if (is_instance(obj, id)) return id;
    return std::nullopt;
}

std::optional<ClassId> condition_class_of(PyObject* obj) {
    for (ClassId id : kConditionClasses)
        if (is_instance(obj, id)) return id;
    return std::nullopt;
}

Result<PyTypeObject*> type_of(ClassId id) {
    ClassDef* def = classes[static_cast<std::size_t>(id)];
    if (!def)
        return fail(ErrorKind::Internal, std::string("the class ") + class_name(id) + " is not available");
    if (def->type) return def->type;
    FV_ASSIGN_OR_RETURN(auto built, build_type(*def));
    if (def->type) {
        Py_DECREF(reinterpret_cast<PyObject*>(built));
    } else {
        def->type = built;
    }
    return def->type;
}

bool is_instance(PyObject* obj, ClassId id) {
    const ClassDef* def = classes[static_cast<std::size_t>(id)];
    return def && def->type && Py_TYPE(obj) == def->type;
}

}  // namespace forvela::py

#include "lib/registry.hpp"
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

// The expression and condition classes with the node each one holds.
struct NodeClass {
    ClassId id;
    ExprKind kind;  // expression classes
    bool condition;
    bool comparison;  // condition classes: comparison or logical
    std::uint8_t sub;
};

constexpr NodeClass kNodeClasses[] = {
#define FORVELA_CLASS(name)
#define FORVELA_EXPR_CLASS(name, kind, sub) \
    {ClassId::name, ExprKind::kind, false, false, static_cast<std::uint8_t>(sub)},
#define FORVELA_COND_CLASS(name, node, sub)                                              \
    {ClassId::name, ExprKind::NumberLit, true, NodeKind::node == NodeKind::ComparisonOp, \
     static_cast<std::uint8_t>(sub)},
#include "lib/class_list.def"
};

// The operator or variable kind within a node kind; 0 for the other kinds.
std::uint8_t sub_kind_of(const Expression& e) {
    switch (e.kind()) {
        case ExprKind::DecisionVar: return static_cast<std::uint8_t>(e.as<DecisionVar>().kind);
        case ExprKind::UnaryOp: return static_cast<std::uint8_t>(e.as<UnaryOp>().kind);
        case ExprKind::BinaryOp: return static_cast<std::uint8_t>(e.as<BinaryOp>().kind);
        case ExprKind::CommutativeOp: return static_cast<std::uint8_t>(e.as<CommutativeOp>().kind);
        case ExprKind::ReductionOp: return static_cast<std::uint8_t>(e.as<ReductionOp>().kind);
        case ExprKind::NumberLit:
        case ExprKind::Placeholder:
        case ExprKind::Element:
        case ExprKind::Subscript:
        case ExprKind::ArrayLength: return 0;
    }
    return 0;
}

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

ClassId class_of(const Expression& e) {
    std::uint8_t sub = sub_kind_of(e);
    for (const NodeClass& c : kNodeClasses)
        if (!c.condition && c.kind == e.kind() && c.sub == sub) return c.id;
    throw InternalFailure("an expression node without a class");
}

ClassId class_of(const ConditionalExpr& c) {
    std::uint8_t sub = c.is_comparison() ? static_cast<std::uint8_t>(c.as<ComparisonOp>().kind)
                                         : static_cast<std::uint8_t>(c.as<LogicalOp>().kind);
    for (const NodeClass& n : kNodeClasses)
        if (n.condition && n.comparison == c.is_comparison() && n.sub == sub) return n.id;
    throw InternalFailure("a condition node without a class");
}

std::optional<ClassId> expression_class_of(PyObject* obj) {
    for (const NodeClass& c : kNodeClasses)
        if (!c.condition && is_instance(obj, c.id)) return c.id;
    return std::nullopt;
}

std::optional<ClassId> condition_class_of(PyObject* obj) {
    for (const NodeClass& c : kNodeClasses)
        if (c.condition && is_instance(obj, c.id)) return c.id;
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

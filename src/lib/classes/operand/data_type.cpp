// The Python enumeration class DataType: FLOAT (0) or INTEGER (1).
#include "lib/registry.hpp"
#include "model/result_macros.hpp"
#include "model/expression/operand/data_type.hpp"

namespace forvela::py {

namespace {

using Self = DataType;

PyObject* data_type_repr(PyObject* self) {
    return boundary([&] {
        return with_shared<Self>(self, [](const Self& v) {
            return str_result(v == DataType::Float ? "DataType.FLOAT" : "DataType.INTEGER");
        });
    });
}

PyObject* data_type_int(PyObject* self) {
    return boundary([&] {
        return with_shared<Self>(
            self, [](const Self& v) -> PyResult { return checked(PyLong_FromLong(static_cast<long>(v))); });
    });
}

// == and != against an int (index protocol) or another DataType; anything
// else, and every ordering, is NotImplemented.
PyObject* data_type_richcompare(PyObject* self, PyObject* other, int op) {
    return boundary([&]() -> PyResult {
        if (op != Py_EQ && op != Py_NE) return not_implemented();
        return with_shared<Self>(self, [&](const Self& v) -> PyResult {
            long long mine = static_cast<long long>(v);
            std::optional<long long> theirs;
            if (PyObject* index = PyNumber_Index(other)) {
                long long n = PyLong_AsLongLong(index);
                Py_DECREF(index);
                if (!(n == -1 && PyErr_Occurred())) theirs = n;
            }
            FV_TRY(discard_pending());
            if (!theirs && is_instance(other, ClassId::DataType)) {
                auto read = with_shared<Self>(
                    other, [](const Self& o) -> Result<long long> { return static_cast<long long>(o); });
                if (!read) return not_implemented();
                theirs = *read;
            }
            if (!theirs) return not_implemented();
            bool same = mine == *theirs;
            return Ref::borrowed((op == Py_EQ) == same ? Py_True : Py_False);
        });
    });
}

Result<void> add_members(PyTypeObject* type) {
    for (auto [name, value] :
         {std::pair{"FLOAT", DataType::Float}, std::pair{"INTEGER", DataType::Integer}}) {
        FV_ASSIGN_OR_RETURN(auto obj, new_object(type, value));
        if (PyDict_SetItemString(type->tp_dict, name, obj.get()) < 0) return pending();
    }
    PyType_Modified(type);
    return {};
}

const ItemGroup kItems{
    {},
    {},
    {
        {Py_tp_repr, reinterpret_cast<void*>(data_type_repr)},
        {Py_nb_int, reinterpret_cast<void*>(data_type_int)},
        {Py_tp_richcompare, reinterpret_cast<void*>(data_type_richcompare)},
    },
};

ClassDef kClass{.name = "DataType",
                .signature = nullptr,
                .doc = nullptr,
                .basicsize = object_size<Self>(),
                .dealloc = dealloc_object<Self>,
                .groups = {&kItems},
                .finish = add_members,
                .to_expression = nullptr};

const bool registered = register_class(ClassId::DataType, &kClass);

}  // namespace

PyResult data_type_object(DataType value) { return new_object(ClassId::DataType, value); }

}  // namespace forvela::py

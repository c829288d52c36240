// Conversions between Python objects and the model values of problems:
// forall lists, the two sense enumerations, constraints, penalty terms and
// problems.
#pragma once

#include "lib/registry.hpp"
#include "model/problem/problem.hpp"

namespace forvela::py {

// ---- forall lists ----

// One entry: an Element, or a 2-tuple of an Element and None or a condition;
// otherwise TypeError "failed to create a forall object".
Result<ForallIndex> forall_item_from_python(PyObject* obj);
// A single entry, else a sequence of entries, validated on its own; every
// failure is TypeError "failed to create a forall list object".
Result<ForallList> forall_list_from_python(PyObject* obj);
// The `forall` argument: absent or None is the empty list.
Result<ForallList> optional_forall_from_python(PyObject* obj);
// A new list of (Element, condition or None) tuples.
PyResult forall_list_into_python(const ForallList& list);

// ---- senses ----

PyResult constraint_sense_into_python(ConstraintSense sense);
PyResult problem_sense_into_python(ProblemSense sense);
// The value of a ProblemSense object; otherwise TypeError
// "'T' object cannot be converted to 'ProblemSense'".
Result<ProblemSense> problem_sense_from_python(PyObject* obj);

// ---- model objects ----

// Copies of the values of objects of the class; otherwise the class-check
// TypeError "'T' object cannot be converted to 'Constraint'" (and so on).
Result<Constraint> constraint_from_python(PyObject* obj);
Result<CustomPenaltyTerm> custom_penalty_term_from_python(PyObject* obj);
Result<Problem> problem_from_python(PyObject* obj);

PyResult constraint_into_python(Constraint c);
PyResult custom_penalty_term_into_python(CustomPenaltyTerm t);
PyResult problem_into_python(Problem p);

}  // namespace forvela::py

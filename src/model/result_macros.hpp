// Propagation of failures held in std::expected values (Result<T> and the
// like): the error of a failed step is handed to the caller unchanged.
#pragma once

#include <expected>
#include <utility>

#define FV_RESULT_CONCAT_(a, b) a##b
#define FV_RESULT_NAME_(n) FV_RESULT_CONCAT_(fv_result_, n)

// Evaluates `expr`; on failure returns its error from the enclosing function.
// Each use names its own local, so uses nested in a lambda shadow nothing.
#define FV_TRY(expr) FV_TRY_(FV_RESULT_NAME_(__COUNTER__), expr)
#define FV_TRY_(tmp, expr)                                        \
    do {                                                          \
        auto&& tmp = (expr);                                      \
        if (!tmp) return std::unexpected(std::move(tmp).error()); \
    } while (false)

// `FV_ASSIGN_OR_RETURN(auto x, f())`: binds the value of a successful `f()`
// to `x`, or returns its error from the enclosing function.
#define FV_ASSIGN_OR_RETURN(lhs, expr) FV_ASSIGN_OR_RETURN_(FV_RESULT_NAME_(__COUNTER__), lhs, expr)
#define FV_ASSIGN_OR_RETURN_(tmp, lhs, expr)                  \
    auto tmp = (expr);                                        \
    if (!tmp) return std::unexpected(std::move(tmp).error()); \
    lhs = std::move(*tmp)

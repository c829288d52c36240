// The Python snippets that the SampleSet class runs: the JSON forms through
// orjson and the steps of the timing report. Each is compiled on every call
// and executed as the module "".
#pragma once

#include <initializer_list>

#include "lib/py.hpp"

namespace forvela::py {

// Compiles `source` as a module with the file name "", executes it as the
// module "" and fetches `function` from it.
PyResult snippet_function(const char* source, const char* function);

// Calls `function` and requires a dict back.
PyResult call_for_dict(PyObject* function, std::initializer_list<PyObject*> args);

inline constexpr const char* kDumpSnippet = R"(
import orjson
import numpy as np

def default(obj):
    if isinstance(obj, np.ndarray):
        return obj.tolist()
    return obj

def dump(obj):
    return orjson.dumps(obj, default=default, option=orjson.OPT_SERIALIZE_NUMPY).decode("utf-8")
    )";

inline constexpr const char* kLoadSnippet = R"(
import orjson

def load(obj):
    return orjson.loads(obj)
    )";

inline constexpr const char* kTimedeltaSnippet = R"(
import datetime as dt

def timedelta(start, end):
    s = dt.datetime.strptime(start, "%Y-%m-%dT%H:%M:%S.%fZ")
    e = dt.datetime.strptime(end, "%Y-%m-%dT%H:%M:%S.%fZ")
    return (e - s).total_seconds()

def get_timedelta_by_span(obj, res=None):
    if res is None:
        res = {}
    for k, v in obj.items():
        if not isinstance(v, dict):
            continue
        if "start_time" in v:
            res[k] = {
                "time": timedelta(v["start_time"], v["end_time"]),
                "span_id": v["context"]["span_id"],
                "parent_id": v["parent_id"],
            }
        else:
            res[k] = get_timedelta_by_span(v, {})
    return res
    )";

inline constexpr const char* kAggregateSnippet = R"(
def aggregate(obj, root_key, res=None):
    if res is None:
        root = obj.pop(root_key, None)
        if root is None:
            return {}
        res = {root_key: {"id": root["span_id"], "time": root["time"]}}
    for v_res in res.values():
        children = {
            k: {"id": v["span_id"], "time": v["time"]}
            for k, v in obj.items()
            if v.get("parent_id", "") == v_res["id"]
        }
        if children:
            del v_res["id"]
            del v_res["time"]
            v_res.update(aggregate(obj, root_key, children))
        else:
            del v_res["id"]
    return res
    )";

inline constexpr const char* kReformatSnippet = R"(
def reformat(obj):
    for k, v in obj.items():
        if isinstance(v, dict):
            if "time" in v:
                obj[k] = v["time"]
            else:
                obj[k] = reformat(v)
    return obj
    )";

}  // namespace forvela::py

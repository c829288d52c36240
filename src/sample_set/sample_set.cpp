#include "sample_set/sample_set.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

#include "sample_set/feasibility.hpp"
#include "model/number_text.hpp"

namespace forvela {

namespace {

// What selecting the indices from one list of a given length does.
enum class Pick : std::uint8_t { Take, FallBack };

class Selection {
public:
    Selection(std::span<const std::size_t> indices, std::size_t sample_count)
        : indices_(indices), sample_count_(sample_count) {
        for (std::size_t i : indices) top_ = std::max(top_, i);
    }

    std::span<const std::size_t> indices() const { return indices_; }

    // `name()` builds the list's name for the message, only when failing.
    template <class Name>
    Result<Pick> check(std::size_t length, Name&& name) const {
        if (indices_.empty() || top_ < length) return Pick::Take;
        if (length == 0) return Pick::FallBack;
        std::string message = name();
        message += " has length ";
        append_unsigned(message, length);
        message += ", too short for the selected sample ";
        append_unsigned(message, top_);
        message += " of the ";
        append_unsigned(message, sample_count_);
        message += " samples of the constraint violations";
        return fail(ErrorKind::ValueError, std::move(message));
    }

    template <class T>
    std::vector<T> pick(const std::vector<T>& list) const {
        std::vector<T> out;
        out.reserve(indices_.size());
        for (std::size_t i : indices_) out.push_back(list[i]);
        return out;
    }

private:
    std::span<const std::size_t> indices_;
    std::size_t sample_count_;
    std::size_t top_ = 0;
};

std::string quoted_entry(std::string_view list, std::string_view name) {
    std::string s(list);
    s += "['";
    s += name;
    s += "']";
    return s;
}

template <class Map>
Result<Pick> check_map(const Selection& sel, const Map& map, std::string_view list) {
    Pick pick = Pick::Take;
    for (const auto& [name, values] : map) {
        FV_ASSIGN_OR_RETURN(Pick p, sel.check(values.size(), [&] { return quoted_entry(list, name); }));
        if (p == Pick::FallBack) pick = Pick::FallBack;
    }
    return pick;
}

template <class Map>
Map pick_map(const Selection& sel, const Map& map) {
    Map out;
    for (const auto& [name, values] : map) out.emplace_hint(out.end(), name, sel.pick(values));
    return out;
}

Result<Record> select_record(const Record& r, const Selection& sel) {
    FV_ASSIGN_OR_RETURN(Pick counts,
                        sel.check(r.num_occurrences.size(), [] { return std::string("num_occurrences"); }));
    FV_ASSIGN_OR_RETURN(
        Pick samples,
        std::visit([&](const auto& map) { return check_map(sel, map, "solution"); }, r.solution));
    if (counts == Pick::FallBack || samples == Pick::FallBack) return Record{};
    Record out;
    out.num_occurrences = sel.pick(r.num_occurrences);
    out.solution = std::visit([&](const auto& map) { return Solution(pick_map(sel, map)); }, r.solution);
    return out;
}

Result<Evaluation> select_evaluation(const Evaluation& e, const Selection& sel) {
    auto named = [](const char* name) { return [name] { return std::string(name); }; };
    FV_ASSIGN_OR_RETURN(Pick energy, sel.check(e.energy.size(), named("energy")));
    FV_ASSIGN_OR_RETURN(Pick objective, sel.check(e.objective.size(), named("objective")));
    FV_ASSIGN_OR_RETURN(Pick violations, check_map(sel, e.constraint_violations, "constraint_violations"));
    FV_ASSIGN_OR_RETURN(Pick values, sel.check(e.constraint_values.size(), named("constraint_values")));
    FV_ASSIGN_OR_RETURN(Pick penalty, check_map(sel, e.penalty, "penalty"));
    if (energy == Pick::FallBack || objective == Pick::FallBack || violations == Pick::FallBack ||
        penalty == Pick::FallBack)
        return Evaluation{};
    Evaluation out;
    out.energy = sel.pick(e.energy);
    out.objective = sel.pick(e.objective);
    out.constraint_violations = pick_map(sel, e.constraint_violations);
    out.constraint_forall = e.constraint_forall;
    if (values == Pick::Take) out.constraint_values = sel.pick(e.constraint_values);
    out.penalty = pick_map(sel, e.penalty);
    return out;
}

// The number of samples the feasibility test judges: the length of the
// first violation list.
std::size_t violation_sample_count(const Evaluation& e) {
    return e.constraint_violations.empty() ? 0 : e.constraint_violations.begin()->second.size();
}

}  // namespace

bool sample_set_parts_equal(const SampleSet& a, const SampleSet& b) {
    return records_equal(a.record, b.record) && evaluations_equal(a.evaluation, b.evaluation) &&
           measuring_times_equal(a.measuring_time, b.measuring_time);
}

Result<SampleSet> select_samples(const SampleSet& s, std::span<const std::size_t> indices,
                                 std::size_t sample_count) {
    const Selection sel(indices, sample_count);
    SampleSet out;
    FV_ASSIGN_OR_RETURN(out.record, select_record(s.record, sel));
    FV_ASSIGN_OR_RETURN(out.evaluation, select_evaluation(s.evaluation, sel));
    out.measuring_time = s.measuring_time;
    return out;
}

Result<SampleSet> feasible_samples(const SampleSet& s, double rtol, double atol) {
    if (s.evaluation.constraint_violations.empty()) return s;
    FV_ASSIGN_OR_RETURN(std::vector<std::size_t> indices, feasible_sample_indices(s.evaluation, rtol, atol));
    return select_samples(s, indices, violation_sample_count(s.evaluation));
}

Result<SampleSet> infeasible_samples(const SampleSet& s, double rtol, double atol) {
    if (s.evaluation.constraint_violations.empty()) return select_samples(s, {}, 0);
    FV_ASSIGN_OR_RETURN(std::vector<std::size_t> indices,
                        infeasible_sample_indices(s.evaluation, rtol, atol));
    return select_samples(s, indices, violation_sample_count(s.evaluation));
}

namespace {

// The lowest objective is usually met among the first few distinct values:
// those are tried in ascending order, testing only their samples, before
// every sample is tested. NaN is never the lowest.
constexpr int kLowestTries = 8;

// The ascending indices of the feasible samples whose objective is the
// lowest among the feasible ones; nothing when a try finds none.
std::optional<std::vector<std::size_t>> lowest_by_tries(std::span<const double> objective,
                                                        std::span<const double* const> columns, double rtol,
                                                        double atol) {
    double floor = -std::numeric_limits<double>::infinity();
    bool first = true;
    std::vector<std::size_t> kept;
    for (int attempt = 0; attempt < kLowestTries; ++attempt) {
        // The least value above the last one tried.
        double value = std::numeric_limits<double>::quiet_NaN();
        for (double x : objective)
            if ((first ? x >= floor : x > floor) && !(x >= value)) value = x;
        if (std::isnan(value)) return kept;  // every value tried: none feasible
        for (std::size_t j = 0; j < objective.size(); ++j)
            if (objective[j] == value && sample_is_feasible(columns, j, rtol, atol)) kept.push_back(j);
        if (!kept.empty()) return kept;
        floor = value;
        first = false;
    }
    return std::nullopt;
}

}  // namespace

Result<SampleSet> lowest_samples(const SampleSet& s, double rtol, double atol) {
    const std::vector<double>& objective = s.evaluation.objective;
    const std::size_t samples = violation_sample_count(s.evaluation);
    if (objective.size() >= samples) {
        FV_ASSIGN_OR_RETURN(std::vector<const double*> columns, violation_columns(s.evaluation));
        if (auto kept = lowest_by_tries(std::span(objective).first(samples), columns, rtol, atol))
            return select_samples(s, *kept, samples);
    }
    FV_ASSIGN_OR_RETURN(std::vector<std::size_t> feasible, feasible_sample_indices(s.evaluation, rtol, atol));
    if (objective.size() < samples && (!objective.empty() || !feasible.empty())) {
        std::string message = "objective has length ";
        append_unsigned(message, objective.size());
        message += ", shorter than the ";
        append_unsigned(message, samples);
        message += " samples of the constraint violations";
        return fail(ErrorKind::ValueError, std::move(message));
    }
    double lowest = std::numeric_limits<double>::infinity();
    for (std::size_t i : feasible) lowest = std::fmin(lowest, objective[i]);
    std::vector<std::size_t> kept;
    for (std::size_t i : feasible)
        if (objective[i] == lowest) kept.push_back(i);
    return select_samples(s, kept, samples);
}

Result<SampleSet> sample_set_to_dense(const SampleSet& s) {
    SampleSet out;
    FV_ASSIGN_OR_RETURN(out.record, record_to_dense(s.record));
    out.evaluation = s.evaluation;
    out.measuring_time = s.measuring_time;
    return out;
}

}  // namespace forvela

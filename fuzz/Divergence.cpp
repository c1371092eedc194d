#include "Divergence.h"

#include <cstdio>
#include <cstdlib>

#include "ScenarioQuoting.h"

void Divergence::check(std::size_t step, const char* what, const std::string& expected,
                       const std::string& actual) {
    if (expected == actual) {
        return;
    }
    std::fprintf(stderr, "divergence at step %zu in %s\n  model:   %s\n  product: %s\n", step, what,
                 expected.c_str(), actual.c_str());
    std::abort();
}

std::string Divergence::quoted(const std::string& text) { return ScenarioQuoting::quoted(text); }

std::string Divergence::quoted(const std::optional<std::string>& text) {
    return text ? quoted(*text) : "null";
}

std::string Divergence::quoted(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (const std::string& text : texts) {
        out.append(out.size() > 1 ? ", " : "").append(quoted(text));
    }
    return out.append("]");
}

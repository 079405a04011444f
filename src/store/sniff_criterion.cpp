#include "store/sniff_criterion.h"

namespace halvera {

std::int32_t SniffCriterionAfter(std::int32_t previous, bool anyTest, std::int32_t testBits) {
    return anyTest ? previous | PROMISS_ANY : testBits;
}

}  // namespace halvera

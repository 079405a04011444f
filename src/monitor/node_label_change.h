#pragma once

#include <string>

namespace halvera {

// What became of a label edit.
struct NodeLabelChange {
    enum Outcome {
        LABEL_SET,         // the node record and the row's label cell hold the new label
        LABEL_REFUSED,     // nothing changed; message says why (the editor stays open)
        LABEL_NOT_STORED,  // the node has no record, or the record could not be rewritten
                           // (the node database has said so); the row keeps its label
    };
    Outcome outcome = LABEL_NOT_STORED;
    std::string message;  // CP932, only with LABEL_REFUSED
};

}  // namespace halvera

#include "net/node_list_loader.h"

#include "net/node_list.h"

namespace halvera {
namespace {

// The positions of the node list's rows, counted on from where the list starts.
class OffsetProgress : public Progress {
  public:
    OffsetProgress(Progress& progress, int offset) : m_progress(progress), m_offset(offset) {}
    void SetRange(int low, int high) override { m_progress.SetRange(low, high); }
    void SetPosition(int position) override { m_progress.SetPosition(m_offset + position); }
    int Position() const override { return m_progress.Position() - m_offset; }

  private:
    Progress& m_progress;
    int m_offset;
};

}  // namespace

int NodeListLoader::Count() {
    return static_cast<int>(m_nodes.CountNodes());
}

void NodeListLoader::Load(Progress& progress, int firstPosition) {
    OffsetProgress positions(progress, firstPosition);
    LoadNodeList(m_nodeList, m_nodes, m_settings.App().PROMISS, &positions);
}

}  // namespace halvera

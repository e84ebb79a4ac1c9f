#include "graph_scene.h"

namespace tarvel::graph {

namespace {
constexpr int kHorizontalGridFirst = 800;
constexpr int kVerticalGridFirst = 826;
}  // namespace

Scene::Scene()
    : horizontalGrid(11),
      verticalGrid(10),
      timeLabels(21),
      accelLabels(21),
      velLabels(22),
      distLabels(22),
      hpLabels(11),
      columnTitles(4) {}

const Segment* Scene::curve(int index) const {
    if (index < 0 || index >= static_cast<int>(curves.size())) return nullptr;
    return &curves[index];
}

const Segment* Scene::gridSegment(int poolIndex) const {
    int h = poolIndex - kHorizontalGridFirst;
    if (h >= 0 && h < static_cast<int>(horizontalGrid.size())) return &horizontalGrid[h];
    int v = poolIndex - kVerticalGridFirst;
    if (v >= 0 && v < static_cast<int>(verticalGrid.size())) return &verticalGrid[v];
    return nullptr;
}

int Scene::visibleCurveCount() const {
    int n = 0;
    for (const Segment& s : curves) n += s.visible ? 1 : 0;
    return n;
}

}  // namespace tarvel::graph

#include "engine/division.h"
#include "engine/run.h"

namespace fenban {

namespace {

class Engine final : public DivisionEngine {
public:
    explicit Engine(PassFunction pass) : m_pass(pass) {}

    DivisionResult divide(std::vector<StudentRow> &rows, int numClass, const DivisionSettings &settings,
                          const DivisionObserver &observer) const override {
        return divideRows(rows, numClass, settings, observer, m_pass);
    }

    DivisionResult redivide(std::vector<StudentRow> &rows, const std::vector<int> &classNumbers,
                            const DivisionSettings &settings,
                            const DivisionObserver &observer) const override {
        return redivideRows(rows, classNumbers, settings, observer, m_pass);
    }

private:
    PassFunction m_pass;
};

} // namespace

std::unique_ptr<DivisionEngine> makeReferenceEngine() {
    return std::make_unique<Engine>(&referencePass);
}

std::unique_ptr<DivisionEngine> makeFastEngine() {
    return std::make_unique<Engine>(&fastPass);
}

} // namespace fenban

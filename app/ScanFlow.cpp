#include "app/ScanFlow.h"

void ScanFlow::Scan(ScanSelection& selection, SummaryList& summaries, ScanObserver* observer) {
    registry_.ScanAll(summaries, selection, observer);
}

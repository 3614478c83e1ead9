// The Jonckheere-Terpstra box plot.
#include "IJonckheere_Terpstra.h"

#include "NOPRChartUtil.h"

IJonckheere_Terpstra::IJonckheere_Terpstra(FacSTDictionary* dictionary,
                                           const NOPRSplitResults* container,
                                           const NOPROutputStats::HTIJonckheereTerpstra* record)
    : Boxplot(dictionary, container) {
    setTitle(
        lookUpText(dictionary, "Independent-Samples Jonckheere-Terpstra Test for Ordered Alternatives"));
    if (record) {
        setBoxPlotInfo(&record->fBoxPlotInfo);
        setCondition(&record->fCondition);
    }
}

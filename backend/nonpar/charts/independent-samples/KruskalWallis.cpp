// The Kruskal-Wallis box plot.
#include "KruskalWallis.h"

#include "NOPRChartUtil.h"

KruskalWallis::KruskalWallis(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                             const NOPROutputStats::HTIKruskalWallis* record)
    : Boxplot(dictionary, container) {
    setTitle(lookUpText(dictionary, "Independent-Samples Kruskal-Wallis Test"));
    if (record) {
        setBoxPlotInfo(&record->fBoxPlotInfo);
        setCondition(&record->fCondition);
    }
}

std::vector<double> KruskalWallis::groupValues(const BoxGroup& group) {
    return {static_cast<double>(group.fGroupIndex), group.fMeanOfRank};
}

// A popup on the box's median that shows the "Tooltips" column, which holds
// the group's mean rank.
void KruskalWallis::editTemplate(std::string& text) {
    const std::string fragment =
        "<popup part=\"median\" target=\"schema\" tokenTemplate=\"" +
        escapeXml(lookUpText(dictionary(), "Mean Rank").toUTF8()) +
        "=$[1]$\"><tokenMapping valueToken=\"1\" variable=\"Tooltips\"/></popup>";
    insertBefore(text, "</visualization>", fragment);
}

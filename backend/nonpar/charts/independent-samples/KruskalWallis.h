// The Kruskal-Wallis box plot: each box's tooltip shows its group's mean rank.
#pragma once

#include "Boxplot.h"

class KruskalWallis : public Boxplot {
public:
    KruskalWallis(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                  const NOPROutputStats::HTIKruskalWallis* record);

    std::vector<double> groupValues(const BoxGroup& group) override;
    void editTemplate(std::string& text) override;
};

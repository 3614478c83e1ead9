// The Jonckheere-Terpstra box plot: the base box plot under its own title.
#pragma once

#include "Boxplot.h"

class IJonckheere_Terpstra : public Boxplot {
public:
    IJonckheere_Terpstra(FacSTDictionary* dictionary, const NOPRSplitResults* container,
                         const NOPROutputStats::HTIJonckheereTerpstra* record);
};

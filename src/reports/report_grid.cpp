#include "reports/report_grid.h"

/* What the test module of TWAIN's data source manager was asked. */
#pragma once

struct FakeTwainLog {
    int userSelects;     /* selection dialogs shown */
    char opened[34];     /* the product name of the source opened last */
    int showUI;          /* whether the source was to show its window */
    int pixelTypeSet;    /* the colour asked for, or -1 */
    int openSessions;    /* sessions opened and not closed */
};

typedef const struct FakeTwainLog* (*FakeTwainLogFn)(void);

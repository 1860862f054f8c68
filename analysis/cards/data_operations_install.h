#pragma once
// Puts the transform and the aggregation into their seams: the document windows' Transform and
// Aggregate commands open their dialogs, and the commands `transform` and `aggregate` build and
// run them over a template's window.
void InstallDataOperations();

#pragma once
// The engine as the toolkit sees it. The toolkit reaches a database only through its hook
// records (ui/database_services.h, ui/document_window.h); this fills them from T_Base: the
// open-database list, the database window, change notes, the operation log, importing a file
// (dropped on a document window or chosen in a dialog), the value columns, decimals codes, field
// names and display widths, the database of a document window and the link context.
//
// User-interface thread only.

// Installs the hooks. Called once at start-up, before the first database opens; calling it
// again changes nothing.
void InstallDatabaseServices();
// Puts back the toolkit's defaults.
void RemoveDatabaseServices();

#pragma once
// What the web pages show of windows: the database information and the analysis windows opened
// hidden for one request, their page counts, their HTML and their closing.
//
// User-interface thread only.

// Installs the record the web pages ask (app/web_pages.h).
void InstallWebWindowPages();

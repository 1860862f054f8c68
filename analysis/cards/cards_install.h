#pragma once
// Puts the cards window into the engine's seams: the template factory's class of kind 1, the
// template runner's opener of kind 1, and the XML "template" request's export.
void InstallCards();

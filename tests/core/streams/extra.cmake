set(area_extra ${QEB_STRING_TABLES})  # the file dialogs label their filters with program texts

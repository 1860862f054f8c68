# The file dialogs label their filters with program texts, which every test program carries.

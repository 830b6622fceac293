#include "mainwindow/cMainDialog.h"

cMainDialog::cMainDialog(cSettings& settings, cAppServices& app)
    : m_settings(settings)
    , m_app(app)
{
}

cMainDialog::~cMainDialog() = default;

#include <QtGlobal>

// The pictures of the application library (background, icons) are compiled into it; a static
// library's resources must be registered explicitly before their first use.
void mizorelInitResources() { Q_INIT_RESOURCE(resources); }

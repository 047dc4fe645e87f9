// salvoran: the desktop program.
#include "app/corvane_app.h"

int main(int argc, char** argv) {
  salvoran::app::CCorvaneTarnwellApp app(argc, argv);
  return app.Run();
}

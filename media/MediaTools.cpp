#include "MediaTools.h"

#include "CameraThread.h"
#include "RMdiCamera.h"

namespace MediaTools {

void install()
{
    RMdiCamera::setCameraSource(theCameraThread);
}

} // namespace MediaTools

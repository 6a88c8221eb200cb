#include "search/services.h"

// Hosts under which each service published its shared-file pages.
const std::array<ServiceEntry, SERVICE_COUNT> ServiceTable = {{
    {1, "选择框_百度", "百度网盘", "pan.baidu.com"},   {2, "选择框_华为", "华为网盘", "dl.dbank.com"},
    {3, "选择框_迅雷", "迅雷快传", "kuai.xunlei.com"}, {4, "选择框_旋风", "QQ旋风", "fenxiang.qq.com"},
    {5, "选择框_360", "360云盘", "yunpan.cn"},         {6, "选择框_千易", "千易网盘", "1000eb.com"},
    {7, "选择框_盛大", "盛大网盘", "everbox.com"},     {8, "选择框_爱问", "爱问共享", "ishare.iask.sina.com.cn"},
    {9, "选择框_CSDN", "CSDN", "download.csdn.net"},   {10, "选择框_金山", "金山快盘", "kuaipan.cn"},
    {11, "选择框_千脑", "千脑网盘", "qiannao.com"},    {12, "选择框_115", "115网盘", "115.com"},
    {13, "选择框_城通", "城通网盘", "ctdisk.com"},     {14, "选择框_vdisk", "vdisk威盘", "vdisk.cn"},
    {15, "选择框_一木禾", "一木禾网盘", "yimuhe.com"}, {16, "选择框_163", "163网盘", "fm.163.com"},
    {17, "选择框_126", "126网盘", "126disk.com"},      {18, "选择框_纳米", "纳米盘", "namipan.com"},
    {19, "选择框_400", "400网盘", "400gb.com"},        {20, "选择框_迅载", "迅载网盘", "xunzai.com"},
    {21, "选择框_GXP", "GXP网盘", "gxp.cc"},           {22, "选择框_good", "goodisk.com", "goodisk.com"},
}};
